#include "objectpool/objectstore.h"
#include "objectpool/objecttypes.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::objectpool;
using namespace koa::test;

namespace {

// A blank course as the working folder, the chosen files beside it.
class ObjectStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        copyFolder(QCoreApplication::applicationDirPath() + u"/blank_file"_s, m_course);
    }

    QString chosen(const QString& name, const QByteArray& bytes = "x") {
        writeFile(m_dir.filePath(name), bytes);
        return m_dir.filePath(name);
    }
    // Rows with a name only, as "key:name".
    void add(const QStringList& objects) {
        for (const QString& object : objects)
            m_store.add(object.section(u':', 0, 0), object.section(u':', 1));
    }
    void exec(const QString& sql, const QVariantList& params = {}) {
        Database(m_store.database()).exec(sql, params);
    }
    // Every column of a table's rows, "-" for NULL, in table order.
    QStringList rows(const QString& table) {
        return rowsOf(m_store.database(), u"SELECT * FROM "_s + table + u" ORDER BY rowid"_s,
                      u"-"_s);
    }
    QStringList files(const QString& folder) const {
        return QDir(m_course + u'/' + folder).entryList(QDir::Files | QDir::System);
    }

    QTemporaryDir m_dir;
    QString m_course = m_dir.filePath(u"course"_s);
    ObjectStore m_store{m_course};
};

QString shown(const ObjectStore::Properties& p) {
    return QStringList({p.filename, p.size.toString(), p.alignment, p.floating ? u"float"_s : u""_s,
                        p.width.isEmpty() ? QString() : p.width + u'x' + p.height, p.caption})
        .join(u'|');
}

} // namespace

TEST_F(ObjectStoreTest, NamesAreCleanedKeepTheirOrderCompareWithoutCaseAndPlacedOnesAreInUse) {
    add({u"pictures:Zebra"_s, u"pictures:apple"_s, u"pictures:Mango"_s, u"quizes:Check"_s});
    EXPECT_EQ(m_store.names(u"pictures"_s), QStringList({u"Zebra"_s, u"apple"_s, u"Mango"_s}));
    EXPECT_EQ(m_store.names(u"quizes"_s), QStringList({u"Check"_s}));
    EXPECT_TRUE(m_store.names(u"sounds"_s).isEmpty());
    EXPECT_TRUE(m_store.exists(u"pictures"_s, u"ZEBRA"_s));
    EXPECT_FALSE(m_store.exists(u"pictures"_s, u"Zeb"_s));
    EXPECT_FALSE(m_store.exists(u"movies"_s, u"Zebra"_s));
    EXPECT_THROW(m_store.names(u"header"_s), KoaError); // a table, but of no object type
    // New names are cut, cleaned and refused when blank.
    EXPECT_EQ(cleanObjectName(QString(60, u'x')), QString(50, u'x'));
    EXPECT_EQ(cleanObjectName(u"Ann's \"logo\""_s), u"Ann#s #logo#"_s);
    EXPECT_TRUE(cleanObjectName(u" \t "_s).isEmpty());

    // Placed objects and page sounds are in use.
    addLayout(m_store.database(), {u"pictures:Logo"_s, u"quizes:Check"_s, u"sounds:Gong"_s});
    exec(u"INSERT INTO pages (name, sound) VALUES ('A', 'Bell')"_s);
    const std::pair<QString, bool> cases[] = {
        {u"pictures:Logo"_s, true}, {u"pictures:LOGO"_s, true}, {u"pictures:Other"_s, false},
        {u"movies:Logo"_s, false},  {u"quizes:Check"_s, true},  {u"sounds:bell"_s, true},
        {u"sounds:Gong"_s, false}}; // a sound is used by pages alone
    for (const auto& [object, used] : cases)
        EXPECT_EQ(m_store.inUse(object.section(u':', 0, 0), object.section(u':', 1)), used)
            << object.toStdString();
}

TEST_F(ObjectStoreTest, DisplayFieldsReadAsTheFieldsShowThemAndWriteBack) {
    // Read and written: the first of two rows whose names differ in case.
    exec(u"INSERT INTO pictures (name, filename, size) VALUES ('Logo', '1.gif', 1.5)"_s);
    exec(u"INSERT INTO pictures (name, caption) VALUES ('LOGO', 'second row')"_s);
    const struct {
        QVariantList stored; // width, height, alignment, float, caption
        QString read;
    } reads[] = {
        {{QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}, u"1.gif|1.5|Center||1x1|"_s},
        {{u""_s, u""_s, u""_s, 0, u""_s}, u"1.gif|1.5|Center||1x1|"_s},
        {{640, 480, u"Left"_s, 1, u"Start &#34;here&#34;<br>then &#60;go&#62;"_s},
         u"1.gif|1.5|Left|float|640x480|Start \"here\"\nthen <go>"_s},
    };
    for (const auto& c : reads) {
        exec(u"UPDATE pictures SET width = ?, height = ?, alignment = ?, float = ?, caption = ? "
             "WHERE rowid = 1"_s,
             c.stored);
        EXPECT_EQ(shown(*m_store.read(u"pictures"_s, u"logo"_s)), c.read);
    }
    EXPECT_FALSE(m_store.read(u"pictures"_s, u"Nothing"_s));

    const struct {
        ObjectStore::Properties shown;
        QString stored; // width, height, alignment, float, caption
    } writes[] = {
        {{{}, {}, u"Right"_s, true, u""_s, u" "_s, u"Ann's \"x\"\n<b>"_s},
         u"-|-|Right|1|Ann&#39;s &#34;x&#34;<br>&#60;b&#62;"_s},
        {{{}, {}, u""_s, false, u"123456"_s, u"10000"_s, u""_s}, u"9999|9999||0|"_s},
        {{{}, {}, u"Center"_s, false, u"640"_s, u"0"_s, u"a\n\nb"_s},
         u"640|0|Center|0|a<br><br>b"_s},
    };
    for (const auto& c : writes) {
        m_store.write(u"pictures"_s, u"LOGO"_s, c.shown);
        EXPECT_EQ(rows(u"pictures"_s).constFirst().section(u'|', 4), c.stored);
    }
    EXPECT_EQ(rows(u"pictures"_s).constLast(), u"2|LOGO|-|-|-|-|-|-|second row"_s);
    exec(u"INSERT INTO sounds (name, filename, size) VALUES ('Bell', '1.wav', 2)"_s);
    m_store.write(u"sounds"_s, u"Bell"_s, writes[0].shown); // no display fields to store
    EXPECT_EQ(shown(*m_store.read(u"sounds"_s, u"Bell"_s)), u"1.wav|2||||"_s);
}

TEST_F(ObjectStoreTest, AddedFilesAreCopiedAsIdAndExtensionWithTheirSizeAndMeasure) {
    const struct {
        const char* key;
        QString chosen;
        qint64 bytes;
        QSize measured;
        QString row;
    } cases[] = {
        {"pictures", u"harbour.gif"_s, 1536, {400, 300}, u"1|Obj|1.gif|1.5|400|300|Center|-|-"_s},
        // 1.25 KB: the half goes to the even neighbour.
        {"pictures", u"photo.jpeg"_s, 1280, {}, u"2|Obj|2.jpeg|1.2|-|-|Center|-|-"_s},
        {"flash", u"intro.swf"_s, 1000, {320, 320}, u"1|Obj|1.swf|1|320|320|Center|-|-"_s},
        {"sounds", u"bell.wav"_s, 1580, {}, u"1|Obj|1.wav|1.5"_s},
        {"dlinks", u"ab"_s, 10, {}, u"1|Obj|1"_s},
        {"dlinks", u"x.c"_s, 10, {}, u"2|Obj|2.c"_s},
        {"dlinks", u"a.b/report.docx"_s, 10, {}, u"3|Obj|3.docx"_s},
        {"dlinks", u"a.b/readme"_s, 10, {}, u"4|Obj|4"_s},
    };
    for (const auto& c : cases) {
        const QString key = QString::fromLatin1(c.key);
        SCOPED_TRACE(c.row.toStdString());
        const QByteArray bytes(c.bytes, 'b');
        QString measuredFile;
        m_store.addWithFile(key, u"Obj"_s, chosen(c.chosen, bytes), [&](const QString& copied) {
            measuredFile = QFile::exists(copied) ? copied : u"missing"_s;
            return c.measured;
        });
        EXPECT_EQ(rows(key).constLast(), c.row);
        const QString copy = m_course + u'/' + fileFolderOf(key) + u'/' + c.row.section(u'|', 2, 2);
        EXPECT_EQ(readFile(copy), bytes);
        // Only objects with a display size are measured, on their copy.
        EXPECT_EQ(measuredFile, key == u"sounds"_s || key == u"dlinks"_s ? QString() : copy);
    }
}

TEST_F(ObjectStoreTest, AFailedAddLeavesNoRowAndNoFileAndNoAddOverwritesOne) {
    bool measureFails = false;
    const auto measure = [&](const QString&) {
        if (measureFails)
            throw KoaError(errnum::FileNotFound, u"unreadable"_s);
        return QSize(1, 1);
    };
    QDir().mkpath(m_dir.filePath(u"folder.gif"_s));
    // A refused stored name ("1.g\if"), a missing file, a folder, a failed measuring.
    for (const QString& file : {chosen(u"odd.g\\if"_s), m_dir.filePath(u"gone.gif"_s),
                                m_dir.filePath(u"folder.gif"_s), chosen(u"fine.gif"_s)}) {
        measureFails = file.endsWith(u"fine.gif"_s);
        EXPECT_THROW(m_store.addWithFile(u"pictures"_s, u"Logo"_s, file, measure), KoaError)
            << file.toStdString();
        EXPECT_EQ(rows(u"pictures"_s) + treeOf(m_course + u"/pictures"_s), QStringList());
    }

    // Nor overwrites a file it finds under its name: a course from elsewhere keeps
    // another object's file, and a stray one, under the names the next objects get.
    exec(u"INSERT INTO pictures (id, name, filename) VALUES (1, 'Other', '2.gif')"_s);
    writeFile(m_course + u"/pictures/2.gif"_s, "other");
    writeFile(m_course + u"/pictures/3.gif"_s, "stray");
    measureFails = false;
    m_store.addWithFile(u"pictures"_s, u"New"_s, chosen(u"new.gif"_s, "new"), measure);
    EXPECT_EQ(rows(u"pictures"_s).constLast().section(u'|', 0, 2), u"2|New|2_1.gif"_s);
    measureFails = true;
    EXPECT_THROW(m_store.addWithFile(u"pictures"_s, u"Bad"_s, chosen(u"bad.gif"_s), measure),
                 KoaError);
    EXPECT_EQ(files(u"pictures"_s), QStringList({u"2.gif"_s, u"2_1.gif"_s, u"3.gif"_s}));
    EXPECT_EQ(readFile(m_course + u"/pictures/2.gif"_s) + readFile(m_course + u"/pictures/3.gif"_s),
              "otherstray");
}

TEST_F(ObjectStoreTest, RenameCarriesPlacementsASoundsPagesAndAQuizsStatements) {
    add({u"sounds:Bell"_s, u"pictures:Logo"_s, u"pictures:LOGO"_s, u"quizes:Check"_s,
         u"texts:intro"_s});
    exec(u"INSERT INTO pages (name, sound) VALUES ('A', 'Bell'), ('B', 'Gong'), ('C', 'bell')"_s);
    exec(u"INSERT INTO statements VALUES ('Check', 'One', 'true'), ('Other', 'Two', 'false')"_s);
    addLayout(m_store.database(), {u"sounds:Bell"_s, u"pictures:Bell"_s, u"pictures:logo"_s,
                                   u"quizes:Check"_s, u"texts:intro"_s});

    m_store.rename(u"sounds"_s, u"Bell"_s, u"Ship#s bell"_s);
    m_store.rename(u"pictures"_s, u"logo"_s, u"Emblem"_s); // the first of both rows
    m_store.rename(u"quizes"_s, u"Check"_s, u"Final"_s);
    m_store.rename(u"texts"_s, u"intro"_s, u"Intro"_s);

    EXPECT_EQ(m_store.names(u"pictures"_s), QStringList({u"Emblem"_s, u"LOGO"_s}));
    EXPECT_EQ(m_store.names(u"texts"_s), QStringList({u"Intro"_s}));
    EXPECT_EQ(layoutOf(m_store.database()).mid(2),
              QStringList({u"sounds:Ship#s bell"_s, u"pictures:Bell"_s, u"pictures:Emblem"_s,
                           u"quizes:Final"_s, u"texts:Intro"_s}));
    EXPECT_EQ(rows(u"pages"_s),
              QStringList({u"1|A|Ship#s bell|-"_s, u"2|B|Gong|-"_s, u"3|C|Ship#s bell|-"_s}));
    EXPECT_EQ(rows(u"statements"_s), QStringList({u"Final|One|true"_s, u"Other|Two|false"_s}));
}

TEST_F(ObjectStoreTest, AKeywordIsUsedByTheFirstTextThatLinksIt) {
    const std::pair<QString, QString> texts[] = {
        {u"Plain"_s, u"no links"_s},
        // Links of other kinds to objects of the same name do not count.
        {u"Elsewhere"_s, link('d', u"dlink"_s, u"Anchor"_s, u"<code>a</code>"_s) +
                             link('i', u"go"_s, u"Anchor"_s, u"a"_s)},
        {u"Harbour"_s, link('k', u"keyword"_s, u"anchor"_s, u"<dfn>anchor</dfn>"_s)},
        {u"Later"_s, link('k', u"keyword"_s, u"Anchor"_s, u"<dfn>Anchor</dfn>"_s)},
        {u"Quoted"_s, link('k', u"keyword"_s, u"It&#39;s &#60;b&#62;"_s, u"<dfn>It</dfn>"_s)},
    };
    for (const auto& [name, markup] : texts)
        exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s, {name, markup});
    const std::pair<QString, std::optional<QString>> cases[] = {
        {u"Anchor"_s, u"Harbour"_s},  {u"ANCHOR"_s, u"Harbour"_s}, {u"Anch"_s, std::nullopt},
        {u"It's <b>"_s, u"Quoted"_s}, {u"Bow"_s, std::nullopt},
    };
    for (const auto& [keyword, user] : cases)
        EXPECT_EQ(m_store.textUsingKeyword(keyword), user) << keyword.toStdString();
}

TEST_F(ObjectStoreTest, RemoveTakesTheRowAndItsFilesButNothingOutsideTheirFolder) {
    const QString outside = chosen(u"precious.gif"_s, "keep");
    for (const char* file : {"pictures/1.gif", "pictures/3.gif", "pictures/4.gif", "movies/1.avi",
                             "movies/1.avi.webm", "movies/2.avi.webm"})
        writeFile(m_course + u'/' + QString::fromLatin1(file), "x");
    QFile::setPermissions(m_course + u"/pictures/1.gif"_s, QFileDevice::ReadOwner);
    QFile::link(outside, m_course + u"/pictures/5.gif"_s);
    exec(u"INSERT INTO pictures (name, filename) VALUES ('Locked', '1.gif'), ('Gone', '2.gif'), "
         "('Twin', '3.gif'), ('TWIN', '4.gif'), ('Linked', '5.gif'), ('NoFile', NULL), "
         "('Climber', '../../precious.gif'), ('Absolute', ?)"_s,
         {outside});
    exec(u"INSERT INTO movies (name, filename) VALUES ('Clip', '1.avi'), ('Older', '2.avi')"_s);
    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '../../precious.gif')"_s);
    add({u"quizes:Check"_s, u"quizes:Other"_s, u"texts:Intro"_s});
    exec(u"INSERT INTO statements VALUES ('Check', 'One', 'true'), ('Other', 'Two', 'false')"_s);

    const QStringList leftAlone = {u"pictures:Linked"_s, u"pictures:Climber"_s,
                                   u"pictures:Absolute"_s, u"dlinks:Manual"_s};
    for (const QString& object :
         leftAlone + QStringList({u"pictures:Locked"_s, u"pictures:Gone"_s, u"pictures:twin"_s,
                                  u"pictures:NoFile"_s, u"pictures:Nothing"_s, u"movies:Clip"_s,
                                  u"movies:Older"_s, u"quizes:Check"_s, u"texts:Intro"_s}))
        EXPECT_EQ(m_store.remove(object.section(u':', 0, 0), object.section(u':', 1)),
                  leftAlone.contains(object) ? ObjectStore::Removed::FileLeftAlone
                                             : ObjectStore::Removed::Done)
            << object.toStdString();

    EXPECT_EQ(m_store.names(u"pictures"_s), QStringList({u"TWIN"_s}));
    EXPECT_EQ(files(u"pictures"_s), QStringList({u"4.gif"_s, u"5.gif"_s}));
    EXPECT_EQ(readFile(outside), "keep");
    // An older movie's playable copy goes with it, even when its file had gone.
    EXPECT_EQ(rows(u"movies"_s) + files(u"movies"_s), QStringList());
    EXPECT_EQ(rows(u"dlinks"_s) + rows(u"texts"_s), QStringList());
    EXPECT_EQ(rows(u"quizes"_s) + rows(u"statements"_s),
              QStringList({u"2|Other|-"_s, u"Other|Two|false"_s}));

    // A row that cannot be deleted keeps its file.
    writeFile(m_course + u"/pictures/6.gif"_s, "kept");
    exec(u"INSERT INTO pictures (name, filename) VALUES ('Kept', '6.gif')"_s);
    exec(u"CREATE TRIGGER kept BEFORE DELETE ON pictures BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
    EXPECT_THROW(m_store.remove(u"pictures"_s, u"Kept"_s), KoaError);
    EXPECT_EQ(readFile(m_course + u"/pictures/6.gif"_s), "kept");
    EXPECT_EQ(m_store.names(u"pictures"_s), QStringList({u"TWIN"_s, u"Kept"_s}));
}

TEST_F(ObjectStoreTest, DescriptionsAndMarkupBelongToTheFirstRowOfAName) {
    exec(u"INSERT INTO keywords (name) VALUES ('Anchor'), ('ANCHOR')"_s);
    exec(u"INSERT INTO texts (name, text) VALUES ('Intro', '<b>x</b>'), ('INTRO', 'second')"_s);
    EXPECT_EQ(m_store.description(u"anchor"_s), u""_s);
    const std::pair<QString, QString> descriptions[] = {
        {u"Holds the \"ship\"\nin place"_s, u"Holds the &#34;ship&#34;<br>in place"_s},
        {u"a <b> & 'c'"_s, u"a &#60;b&#62; & &#39;c&#39;"_s},
        {u""_s, u""_s},
    };
    for (const auto& [typed, stored] : descriptions) {
        m_store.setDescription(u"anchor"_s, typed);
        EXPECT_EQ(rows(u"keywords"_s), QStringList({u"1|Anchor|"_s + stored, u"2|ANCHOR|-"_s}));
        EXPECT_EQ(m_store.description(u"Anchor"_s), typed);
    }

    EXPECT_EQ(m_store.markup(u"intro"_s), u"<b>x</b>"_s);
    m_store.setMarkup(u"intro"_s, u"<i>'y'</i>"_s); // markup is stored as it comes
    EXPECT_EQ(rows(u"texts"_s), QStringList({u"1|Intro|<i>'y'</i>"_s, u"2|INTRO|second"_s}));
    EXPECT_EQ(m_store.markup(u"Gone"_s), u""_s);
    EXPECT_THROW(m_store.setMarkup(u"Gone"_s, u"x"_s), KoaError);
}
