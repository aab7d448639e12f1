// The merge of real packages, made here and read back from the output.
#include "distribution/merge.h"
#include "distribution/mergewindow.h"
#include "shell/editorset.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <tuple>

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

// A course folder made from the blank course, with an empty layout.
class CourseFolder {
public:
    explicit CourseFolder(const QString& folder) : m_folder(folder) {
        schema::createBlankCourse(folder);
        exec(u"DELETE FROM data"_s);
    }
    QString database() const { return m_folder + u"/koa.kod"_s; }
    void exec(const QString& sql, const QVariantList& params = {}) const {
        Database(database()).exec(sql, params);
    }
    // A media row whose file is named by its id, as the object pool names it;
    // the file's path.
    QString addMedia(const QString& table, const QString& name, const QByteArray& bytes,
                     const QString& suffix = u".bin"_s) const {
        Database db(database());
        const QVariant id =
            db.exec(u"INSERT INTO "_s + table + u" (name) VALUES (?)"_s, {name}).lastInsertId();
        const QString file = id.toString() + suffix;
        db.exec(u"UPDATE "_s + table + u" SET filename = ? WHERE id = ?"_s, {file, id});
        const QString path =
            m_folder + u'/' + (table == u"dlinks"_s ? u"documents"_s : table) + u'/' + file;
        writeFile(path, bytes);
        return path;
    }
    void pack(const QString& package) const { package::packFolder(m_folder, package); }

private:
    QString m_folder;
};

class Merge : public ::testing::Test {
protected:
    QString scratch(const QString& name) const { return m_program.scratch(name); }

    // Two courses that collide in every table, packed.
    void SetUp() override {
        const CourseFolder a(scratch(u"a"_s));
        a.exec(u"UPDATE header SET title = 'Course A', author = 'Ann'"_s);
        a.addMedia(u"pictures"_s, u"Logo"_s, "logo of A");
        a.addMedia(u"pictures"_s, u"Ann's picture"_s, "apostrophe of A");
        a.addMedia(u"sounds"_s, u"Bell"_s, "bell of A");
        a.addMedia(u"dlinks"_s, u"Guide"_s, "guide of A");
        // An older movie with the copy browsers play beside it.
        writeFile(a.addMedia(u"movies"_s, u"Tour"_s, "tour of A", u".avi"_s) + u".webm"_s,
                  "copy of A");
        a.exec(u"INSERT INTO keywords (name, desc) VALUES ('Term', 'first')"_s);
        a.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Intro', 'Bell', '')"_s);
        a.exec(u"INSERT INTO quizes (name, text) VALUES ('Quiz', 'A?')"_s);
        a.exec(u"INSERT INTO statements VALUES ('Quiz', 'yes of A', 'true')"_s);
        a.exec(u"INSERT INTO texts (name, text) VALUES ('Words', ?)"_s,
               {link('i', u"go"_s, u"Intro"_s, u"to intro"_s)});
        setLayout(a.database(), {u"modules:Basics"_s, u"pages:Intro"_s, u"pictures:Logo"_s});
        a.pack(m_a);

        const CourseFolder b(scratch(u"b"_s));
        b.exec(u"UPDATE header SET title = 'Course B', author = 'Bob'"_s);
        b.exec(u"INSERT INTO pictures (id) VALUES (40)"_s); // ids differ from A's
        b.exec(u"DELETE FROM pictures"_s);
        b.addMedia(u"pictures"_s, u"Logo"_s, "logo of B");
        b.addMedia(u"pictures"_s, u"Logo(1)"_s, "second logo of B");
        b.addMedia(u"pictures"_s, u"Ann's picture"_s, "apostrophe of B");
        b.addMedia(u"sounds"_s, u"bell"_s, "bell of B");
        b.addMedia(u"dlinks"_s, u"Guide"_s, "guide of B");
        writeFile(b.addMedia(u"movies"_s, u"Tour"_s, "tour of B", u".avi"_s) + u".webm"_s,
                  "copy of B");
        b.exec(u"INSERT INTO keywords (name, desc) VALUES ('term', 'second')"_s);
        b.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Intro', 'bell', 'tab')"_s);
        b.exec(u"INSERT INTO quizes (name, text) VALUES ('Quiz', 'B?')"_s);
        b.exec(u"INSERT INTO statements VALUES ('Quiz', 'yes of B', 'false')"_s);
        b.exec(u"INSERT INTO texts (name, text) VALUES ('More', ?)"_s,
               {link('i', u"go"_s, u"intro"_s, u"back"_s) +
                link('d', u"dlink"_s, u"Guide"_s, u"<code>guide</code>"_s) +
                link('k', u"keyword"_s, u"term"_s, u"<dfn>term</dfn>"_s)});
        setLayout(b.database(),
                  {u"modules:Basics"_s, u"pages:Intro"_s, u"pictures:Logo"_s, u"pictures:Logo(1)"_s,
                   u"texts:More"_s, u"pages:"_s, u"pictures:Ann's picture"_s});
        b.pack(m_b);
    }

    bool merge(const QStringList& inputs, const QString& output) {
        distribution::MergeHost host;
        distribution::CourseMerge merging(m_program.folder(), host);
        return merging.merge(inputs, output);
    }

    // The output unpacked; its database path.
    QString unpacked(const QString& package) {
        const QString folder = scratch(u"out-"_s + QString::number(++m_unpacks));
        package::unpackPackage(package, folder);
        return folder + u"/koa.kod"_s;
    }

    TempProgramFolder m_program;
    ScriptedScope m_scripted;
    QString m_a = scratch(u"a.kof"_s);
    QString m_b = scratch(u"b.kof"_s);
    QString m_out = scratch(u"out.kof"_s);
    int m_unpacks = 0;
};

TEST_F(Merge, PoolsObjectsRenamesCollisionsAndAppendsModules) {
    // A package the user may not write to merges all the same.
    QFile(m_b).setPermissions(QFileDevice::ReadOwner);
    const QByteArray inputs = readFile(m_a) + readFile(m_b);
    ASSERT_TRUE(merge({m_a, m_b}, m_out));
    EXPECT_EQ(m_scripted->messages(), QStringList());
    EXPECT_TRUE(package::hasPackageMarker(m_out));
    EXPECT_EQ(readFile(m_a) + readFile(m_b), inputs);
    EXPECT_FALSE(QFileInfo::exists(m_program.path(u"merge"_s)));

    const QString db = unpacked(m_out);
    const QString course = QFileInfo(db).path();
    EXPECT_EQ(rowsOf(db, u"SELECT title, author, version FROM header"_s),
              QStringList{u"Course A|Ann|1.1"_s});
    // A rename is never renamed again: B's "Logo(1)" does not take the name B's "Logo" got.
    // Every picture's file carries its own new id ("1" below) and holds its own bytes.
    QStringList pictures;
    for (const QString& row :
         rowsOf(db, u"SELECT name, filename = id || '.bin', filename FROM pictures ORDER BY id"_s))
        pictures << row.section(u'|', 0, 1) + u'|' +
                        QString::fromLatin1(
                            readFile(course + u"/pictures/"_s + row.section(u'|', 2)));
    EXPECT_EQ(pictures, (QStringList{u"Logo|1|logo of A"_s, u"Ann's picture|1|apostrophe of A"_s,
                                     u"Logo(1)|1|logo of B"_s, u"Logo(1)(1)|1|second logo of B"_s,
                                     u"Ann's picture(1)|1|apostrophe of B"_s}));
    const QString guide =
        rowsOf(db, u"SELECT filename FROM dlinks WHERE name = 'Guide(1)'"_s).value(0);
    EXPECT_EQ(readFile(course + u"/documents/"_s + guide), "guide of B");
    // The copies of older movies go with their files.
    EXPECT_EQ(rowsOf(db, u"SELECT name, filename FROM movies ORDER BY id"_s),
              (QStringList{u"Tour|1.avi"_s, u"Tour(1)|2.avi"_s}));
    EXPECT_EQ(readFile(course + u"/movies/1.avi.webm"_s), "copy of A");
    EXPECT_EQ(readFile(course + u"/movies/2.avi.webm"_s), "copy of B");

    // Keywords are pooled by name without regard to case; the first description stays.
    EXPECT_EQ(rowsOf(db, u"SELECT name, desc FROM keywords"_s), QStringList{u"Term|first"_s});
    // A renamed sound is still its pages' sound.
    EXPECT_EQ(rowsOf(db, u"SELECT name FROM sounds ORDER BY id"_s),
              (QStringList{u"Bell"_s, u"bell(1)"_s}));
    EXPECT_EQ(rowsOf(db, u"SELECT name, sound, tabtext FROM pages ORDER BY ID"_s),
              (QStringList{u"Intro|Bell|"_s, u"Intro(1)|bell(1)|tab"_s}));
    EXPECT_EQ(rowsOf(db, u"SELECT quizname, statement, status FROM statements"_s),
              (QStringList{u"Quiz|yes of A|true"_s, u"Quiz(1)|yes of B|false"_s}));
    // Links follow renamed pages and documents; keyword links stay as they are.
    EXPECT_EQ(rowsOf(db, u"SELECT text FROM texts ORDER BY id"_s),
              (QStringList{link('i', u"go"_s, u"Intro"_s, u"to intro"_s),
                           link('i', u"go"_s, u"Intro(1)"_s, u"back"_s) +
                               link('d', u"dlink"_s, u"Guide(1)"_s, u"<code>guide</code>"_s) +
                               link('k', u"keyword"_s, u"term"_s, u"<dfn>term</dfn>"_s)}));
    // Modules of one name get their course's number; each row places what it placed.
    const QStringList layout = {
        u"modules:Basics(1):0"_s,        u"pages:Intro:1"_s,    u"pictures:Logo:2"_s,
        u"modules:Basics(2):3"_s,        u"pages:Intro(1):4"_s, u"pictures:Logo(1):5"_s,
        u"pictures:Logo(1)(1):6"_s,      u"texts:More:7"_s,     u"pages::8"_s,
        u"pictures:Ann's picture(1):9"_s};
    EXPECT_EQ(indexedLayoutOf(db), layout);
    // The tool merges the same.
    const QString byTool = scratch(u"tool.kof"_s);
    EXPECT_EQ(runKoaTool({u"merge"_s, byTool, m_a, m_b}).exitCode, 0);
    EXPECT_EQ(indexedLayoutOf(unpacked(byTool)), layout);
}

TEST_F(Merge, RefusalsLeaveEveryFileAsItWasAndTheToolExitsNonZero) {
    // A blank course with its header changed, packed.
    const auto packed = [&](const QString& name, const QString& header) {
        CourseFolder(scratch(name)).exec(u"UPDATE header SET "_s + header);
        package::packFolder(scratch(name), scratch(name + u".kof"_s));
        return scratch(name + u".kof"_s);
    };
    const QString older = packed(u"old"_s, u"version = '1.0'"_s);
    const QString readOnly = packed(u"locked"_s, u"status = 1"_s);
    const QString damaged = scratch(u"damaged.kof"_s);
    writeFile(damaged, readFile(m_b).left(200));
    // The output is an input reached through a link in another letter case.
    const QString linked = scratch(u"Linked.KOF"_s);
    ASSERT_TRUE(QFile::link(m_b, linked));
    writeFile(m_out, "an older output");
    const auto contents = [&] {
        QList<QByteArray> out;
        for (const QString& f : {m_a, m_b, older, readOnly, damaged, m_out})
            out << readFile(f);
        return out;
    };
    const QList<QByteArray> before = contents();

    using namespace distribution::mergemessages;
    using Case = std::tuple<QStringList, QString, QStringList>; // inputs, output, messages
    for (const auto& [inputs, output, messages] : QList<Case>{
             {{m_a, m_b}, linked, {SameFile}},
             {{m_a, m_b, damaged}, m_out, {Corrupt}},
             {{m_a, older}, m_out, {NotCurrentVersion}},
             {{readOnly, m_a}, m_out, {ReadOnly}},
             {{m_a, scratch(u"missing.kof"_s)}, m_out, {Corrupt}},
             {{m_a}, m_out, {}},
         }) {
        SCOPED_TRACE(inputs.join(u' ').toStdString());
        m_scripted->clear();
        EXPECT_FALSE(merge(inputs, output));
        EXPECT_EQ(m_scripted->messages(), messages);
        EXPECT_EQ(contents(), before);
        EXPECT_FALSE(QFileInfo::exists(m_program.path(u"merge"_s)));
    }
    const ToolRun same = runKoaTool({u"merge"_s, m_a, m_a, m_b});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_TRUE(same.err.contains(SameFile)) << same.err.toStdString();
    EXPECT_EQ(runKoaTool({u"merge"_s, m_out, m_a}).exitCode, 2);
    EXPECT_EQ(contents(), before);
}

TEST_F(Merge, WindowAddsSeveralFilesReordersAndMerges) {
    const QString c = scratch(u"C.kof"_s);
    QFile::copy(m_a, c);
    CourseHost host;
    CourseFiles files(m_program.folder(), host);
    shell::EditorSet editors(files, host, {});
    distribution::merge window(editors);
    window.show();
    ErrorRecorder errors;

    // GIVEN three files chosen at once, the dialog's answer is the folder and the names.
    m_scripted->queueFile(std::nullopt);
    window.cmdAdd_Click();
    m_scripted->queueFile(
        QStringList{QFileInfo(m_a).path(), u"a.kof"_s, u"b.kof"_s, u"C.kof"_s}.join(QChar(0)));
    window.cmdAdd_Click();
    EXPECT_EQ(itemsOf(window.list), (QStringList{u"a.kof"_s, u"b.kof"_s, u"c.kof"_s}));

    // The same file again, here through another path, is a duplicate key.
    m_scripted->queueFile(QFileInfo(m_b).path() + u"/../scratch/b.kof"_s);
    window.cmdAdd_Click();
    ASSERT_EQ(errors.locations(), QStringList{u"Merge / cmdAdd_Click()"_s});

    // Downwards a row lands after its target, upwards before it.
    window.list->list_OLEDragDrop(0, 1);
    EXPECT_EQ(itemsOf(window.list), (QStringList{u"b.kof"_s, u"a.kof"_s, u"c.kof"_s}));
    window.list->list_OLEDragDrop(2, 0);
    EXPECT_EQ(itemsOf(window.list), (QStringList{u"c.kof"_s, u"b.kof"_s, u"a.kof"_s}));
    EXPECT_EQ(window.list->currentRow(), 0);
    window.list->list_OLEDragDrop(0, 2);
    EXPECT_EQ(window.paths(), (QStringList{m_b, m_a, c}));

    // A cancelled output dialog merges nothing; then the first row's header wins.
    m_scripted->clear();
    window.cmdMerge_Click();
    m_scripted->queueFile(m_out);
    window.cmdMerge_Click();
    EXPECT_TRUE(m_scripted->messages().isEmpty());
    const QString db = unpacked(m_out);
    EXPECT_EQ(rowsOf(db, u"SELECT title FROM header"_s), QStringList{u"Course B"_s});
    // A name taken twice already gets "(2)", then "(3)".
    EXPECT_EQ(rowsOf(db, u"SELECT name FROM pictures ORDER BY id"_s),
              (QStringList{u"Logo"_s, u"Logo(1)"_s, u"Ann's picture"_s, u"Logo(2)"_s,
                           u"Ann's picture(1)"_s, u"Logo(3)"_s, u"Ann's picture(2)"_s}));
    EXPECT_EQ(rowsOf(db, u"SELECT name FROM data WHERE type = 'modules'"_s),
              (QStringList{u"Basics(1)"_s, u"Basics(2)"_s, u"Basics(3)"_s}));
    EXPECT_TRUE(window.isVisible());
    window.cmdCancel->click();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace koa::test
