#include "store/coursedb.h"
#include "store/courseheader.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/schema.h"
#include "store/textescape.h"
#include "tests/store/storetestutil.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

TEST(TextEscaping, QuotesBracketsAndLineBreaksRoundTrip) {
    // Quotes and brackets are escaped (in place too), an ampersand is not.
    QString text = u"It's \"<b>\" & more"_s;
    const QString original = text;
    EXPECT_EQ(ParseText(text), u"It&#39;s &#34;&#60;b&#62;&#34; & more"_s);
    EXPECT_EQ(text, u"It&#39;s &#34;&#60;b&#62;&#34; & more"_s);
    EXPECT_EQ(unParseText(text), original);
    // Line breaks become one <br> and come back as CR LF.
    QString lines = u"first\r\nsecond\fthird\nfourth"_s;
    EXPECT_EQ(ParseLinefeeds(lines), u"first<br>second<br>thirdfourth"_s);
    QString stored = u"first<br>second"_s;
    EXPECT_EQ(unParseText(stored), u"first\r\nsecond"_s);
    EXPECT_EQ(unParseText(QVariant()), QString());
    EXPECT_EQ(unParseText(QVariant(QMetaType(QMetaType::QString))), QString());
}

class CourseDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(m_dir.filePath(u"blank"_s));
        schema::createBlankCourse(m_dir.filePath(u"work"_s));
    }
    QString blank() const { return m_dir.filePath(u"blank/koa.kod"_s); }
    QString work() const { return m_dir.filePath(u"work/koa.kod"_s); }

    QTemporaryDir m_dir;
};

TEST_F(CourseDatabase, BlankCourseHasEveryTableAndAValidLayoutAndOpensImmutable) {
    Database db(blank(), Database::Mode::ReadOnly);
    for (const schema::Table& t : schema::courseTables()) {
        QStringList expected;
        for (const schema::Column& c : t.columns)
            expected.append(c.name);
        EXPECT_EQ(db.columns(t.name), expected) << t.name.toStdString();
    }
    EXPECT_EQ(indexedLayoutOf(blank()), QStringList({u"modules:New Module:0"_s, u"pages::1"_s}));
    for (const QString& folder : schema::courseFolders())
        EXPECT_TRUE(QDir(m_dir.filePath(u"blank/"_s + folder)).exists()) << folder.toStdString();

    // Opened immutable from any path, it is read and nothing is written beside it;
    // "%41" would name another folder ("A") if it were not encoded itself.
    const QString folder = m_dir.filePath(u"my courses #1? 100% %41"_s);
    schema::createBlankCourse(folder);
    const QString path = folder + u"/koa.kod"_s;
    execIn(path, u"PRAGMA journal_mode = WAL"_s); // would leave -wal and -shm files
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    {
        Database immutable(path, Database::Mode::Immutable);
        EXPECT_EQ(immutable.scalar(u"SELECT skin FROM header"_s).toString(), u"Classic"_s);
        EXPECT_THROW(immutable.exec(u"UPDATE header SET skin = 'Meadow'"_s), KoaError);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_THROW(Database(folder + u"/missing.kod"_s, Database::Mode::Immutable), KoaError);
}

TEST_F(CourseDatabase, RepairGivesEveryModuleAPageAndRenumbersWithoutGaps) {
    const struct {
        QStringList layout, repaired;
    } cases[] = {
        {{}, {u"modules:New Module:1"_s, u"pages::2"_s}},
        {{u"modules:A"_s, u"modules:B"_s, u"modules:C"_s, u"pages:p1"_s, u"texts:t1"_s},
         {u"modules:A:1"_s, u"pages::2"_s, u"modules:B:3"_s, u"pages::4"_s, u"modules:C:5"_s,
          u"pages:p1:6"_s, u"texts:t1:7"_s}},
        // a trailing module gains a page too
        {{u"modules:A"_s, u"pages:p"_s, u"modules:B"_s},
         {u"modules:A:1"_s, u"pages:p:2"_s, u"modules:B:3"_s, u"pages::4"_s}},
        // leading pages get a module before them
        {{u"pages:orphan"_s, u"modules:M"_s, u"pages:p"_s},
         {u"modules:(Inserted by program):-1"_s, u"pages:orphan:0"_s, u"modules:M:1"_s,
          u"pages:p:2"_s}},
        // a good layout stays as it is
        {{u"modules:M"_s, u"pages:p"_s, u"pictures:x"_s},
         {u"modules:M:0"_s, u"pages:p:1"_s, u"pictures:x:2"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout.join(u' ').toStdString());
        setLayout(work(), c.layout);
        ValidateDataTable(work());
        EXPECT_EQ(indexedLayoutOf(work()), c.repaired);
    }
}

TEST_F(CourseDatabase, BlankMeansNoObjectsAndAnUnchangedHeaderAndDamageReadsAsError) {
    EXPECT_TRUE(IsDBblank(work(), blank()));

    // The layout is not compared.
    setLayout(work(), {u"modules:A"_s, u"pages:"_s, u"modules:B"_s, u"pages:"_s, u"modules:C"_s,
                       u"pages:"_s});
    EXPECT_TRUE(IsDBblank(work(), blank()));

    execIn(work(), u"INSERT INTO keywords (name, desc) VALUES ('word', '')"_s);
    EXPECT_FALSE(IsDBblank(work(), blank()));
    // Text compares without regard to case.
    EXPECT_EQ(rowsOf(work(), u"SELECT name FROM keywords WHERE name = 'WORD'"_s),
              QStringList{u"word"_s});
    execIn(work(), u"DELETE FROM keywords"_s);

    execIn(work(), u"UPDATE header SET title = 'Safety at work'"_s);
    EXPECT_FALSE(IsDBblank(work(), blank()));
    execIn(work(), u"UPDATE header SET title = ''"_s);

    // A null field counts as the empty text.
    execIn(work(), u"UPDATE header SET author = NULL"_s);
    EXPECT_TRUE(IsDBblank(work(), blank()));

    // Missing or damaged databases are reported or read as an error.
    ErrorRecorder errors;
    ValidateDataTable(m_dir.filePath(u"nowhere/koa.kod"_s));
    EXPECT_FALSE(IsDBblank(work(), m_dir.filePath(u"missing/koa.kod"_s)));
    EXPECT_EQ(errors.locations(), QStringList({u"commonModule / ValidateDataTable)"_s,
                                               u"commonModule / IsDBblank()"_s}));
    EXPECT_EQ(CheckKOFVersion(work()), u"1.1"_s);
    execIn(work(), u"UPDATE header SET version = '1.0'"_s);
    EXPECT_EQ(CheckKOFVersion(work()), u"1.0"_s);
    execIn(work(), u"ALTER TABLE header DROP COLUMN version"_s);
    EXPECT_EQ(CheckKOFVersion(work()), u"error"_s);
    EXPECT_EQ(CheckKOFVersion(m_dir.filePath(u"nothing.kod"_s)), u"error"_s);
    writeFile(m_dir.filePath(u"garbage.kod"_s), "not a database at all");
    EXPECT_EQ(CheckKOFVersion(m_dir.filePath(u"garbage.kod"_s)), u"error"_s);
    // Failed opens leave no connection (and no open file) behind.
    EXPECT_TRUE(QSqlDatabase::connectionNames().isEmpty());
}

TEST_F(CourseDatabase, HeaderWritesGoToTheFirstRowAndAMissingRowIsAdded) {
    const auto rows = [&] {
        return rowsOf(work(),
                      u"SELECT title, skin, status, version, sound FROM header ORDER BY rowid"_s,
                      u"null"_s);
    };
    HeaderFields typed;
    typed.title = u"Knots"_s;
    typed.skin = u"Ocean"_s;
    {
        // What the header window typed into a course without a header row is kept.
        execIn(work(), u"DELETE FROM header"_s);
        Database db(work());
        CourseHeader(db).write(typed);
    }
    EXPECT_EQ(rows(), QStringList({u"Knots|Ocean|0|1.1|"_s}));
    {
        // A second row is carried along: edits reach the course's own row only.
        execIn(work(), u"INSERT INTO header (title, skin) VALUES ('Other', 'Other')"_s);
        Database db(work());
        CourseHeader header(db);
        typed.title = u"Rigging"_s;
        header.write(typed);
        header.setSkin(u"Classic"_s);
        header.markReadOnly();
        EXPECT_EQ(header.read()->title, u"Rigging"_s);
    }
    EXPECT_EQ(rows(), QStringList({u"Rigging|Classic|1|1.1|"_s, u"Other|Other|null|null|null"_s}));
    {
        // Only the read-only mark is given to a course without a row.
        execIn(work(), u"DELETE FROM header"_s);
        Database db(work());
        CourseHeader(db).markReadOnly();
        EXPECT_TRUE(CourseHeader(db).read()->readOnly);
    }
    EXPECT_EQ(rows(), QStringList({u"null||1|null|null"_s}));
}

TEST_F(CourseDatabase, CompactionKeepsContentAndLeavesNoScratchFile) {
    ScriptedScope scripted;
    {
        Database db(work());
        db.begin();
        for (int i = 0; i < 500; ++i)
            db.exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s,
                    {u"t"_s + QString::number(i), QString(2000, u'x')});
        db.commit();
        db.exec(u"DELETE FROM texts WHERE id > 10"_s);
    }
    const qint64 before = QFileInfo(work()).size();
    EXPECT_TRUE(CompressDatabase(work(), m_dir.filePath(u"work"_s)));
    EXPECT_LT(QFileInfo(work()).size(), before);
    EXPECT_EQ(rowsOf(work(), u"SELECT count(*) FROM texts"_s), QStringList{u"10"_s});
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"work/tmp.mdb"_s)));

    // Only the failure says anything.
    EXPECT_FALSE(CompressDatabase(m_dir.filePath(u"work/none.kod"_s), m_dir.filePath(u"work"_s)));
    EXPECT_EQ(scripted->messages(), QStringList({u"Error while compressing database!"_s}));
}

TEST_F(CourseDatabase, CourseFilesAreDistrustedAndRunawayQueriesStopped) {
    // Only plain tables under course names, and no trigger anywhere.
    execIn(work(), u"CREATE VIEW summary AS SELECT count(*) FROM pages"_s);
    EXPECT_NO_THROW(checkCourseDatabase(work()));
    execIn(work(), u"DROP TABLE pages"_s);
    execIn(work(),
           u"CREATE VIEW Pages AS SELECT 1 AS ID, 'p' AS name, '' AS sound, '' AS tabtext"_s);
    EXPECT_THROW(checkCourseDatabase(work()), KoaError);
    execIn(blank(), u"CREATE TRIGGER t AFTER DELETE ON texts BEGIN SELECT 1; END"_s);
    EXPECT_THROW(checkCourseDatabase(blank()), KoaError);

    Database db(work());
    EXPECT_EQ(db.scalar(u"PRAGMA trusted_schema"_s).toInt(), 0);
    // A statement that never ends is interrupted after a few seconds...
    EXPECT_THROW(db.scalar(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                           "SELECT count(*) FROM n"_s),
                 KoaError);
    // ...but time the caller spends between rows does not count against it.
    for (int i = 0; i < 12; ++i)
        db.exec(u"INSERT INTO texts (name, text) VALUES (?, '')"_s, {QString::number(i)});
    QSqlQuery rows = db.exec(u"SELECT name FROM texts"_s);
    int seen = 0;
    while (rows.next()) {
        ++seen;
        QThread::msleep(Database::QueryBusyLimitMs / 10);
    }
    EXPECT_FALSE(rows.lastError().isValid()) << rows.lastError().text().toStdString();
    EXPECT_EQ(seen, 12);
}
