// Runs the real koa-tool binary beside the tests, on packages made here.
#include "store/coursefiles.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

// Every one of `parts` appears in `out`.
::testing::AssertionResult says(const QString& out, const QStringList& parts) {
    for (const QString& part : parts)
        if (!out.contains(part))
            return ::testing::AssertionFailure() << "no \"" << part.toStdString() << "\" in:\n"
                                                 << out.toStdString();
    return ::testing::AssertionSuccess();
}

class KoaTool : public ::testing::Test {
protected:
    QString scratch(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(KoaTool, NewCourseReadsBackThroughInfoAndCheckOpensAsTheProgramDoes) {
    const QString pkg = scratch(u"Good course.kof"_s);
    const ToolRun made = runKoaTool({u"new"_s, pkg});
    ASSERT_EQ(made.exitCode, 0) << made.all().toStdString();
    const QByteArray before = readFile(pkg);

    const ToolRun info = runKoaTool({u"info"_s, pkg, u"--json"_s});
    ASSERT_EQ(info.exitCode, 0) << info.all().toStdString();
    QJsonParseError parseError{};
    const QJsonObject json = QJsonDocument::fromJson(info.out.toUtf8(), &parseError).object();
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << info.out.toStdString();
    const QJsonObject header = json[u"header"_s].toObject();
    EXPECT_EQ(header[u"version"_s].toString(), u"1.1"_s);
    EXPECT_EQ(header[u"skin"_s].toString(), u"Classic"_s);
    EXPECT_EQ(header[u"menuscroll"_s].toInteger(-1), 0);
    // The layout in index order, the tables in the course's own order.
    EXPECT_EQ(
        json[u"data"_s].toArray(),
        (QJsonArray{
            QJsonObject{{u"index"_s, 0}, {u"type"_s, u"modules"_s}, {u"name"_s, u"New Module"_s}},
            QJsonObject{{u"index"_s, 1}, {u"type"_s, u"pages"_s}, {u"name"_s, u""_s}}}));
    const QJsonArray tables = json[u"tables"_s].toArray();
    ASSERT_EQ(static_cast<size_t>(tables.size()), schema::courseTables().size());
    for (qsizetype i = 0; i < tables.size(); ++i)
        EXPECT_EQ(tables[i][u"name"_s].toString(), schema::courseTables()[size_t(i)].name);
    EXPECT_EQ(tables[0][u"rows"_s].toInteger(), 1);

    // The text form says the same; reading never writes into the package.
    const ToolRun text = runKoaTool({u"info"_s, pkg});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(says(text.out, {u"version       1.1\n"_s, u"     0  modules  New Module\n"_s}));
    EXPECT_EQ(readFile(pkg), before);
    // Neither command made or touched the user's own program folder.
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + u"/koa"_s));

    // An existing file is written over only when asked to.
    writeFile(pkg, "someone's work");
    const ToolRun refused = runKoaTool({u"new"_s, pkg});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, u"koa-tool: "_s + pkg + u" exists; --force writes over it\n"_s);
    EXPECT_EQ(readFile(pkg), "someone's work");
    EXPECT_EQ(runKoaTool({u"new"_s, pkg, u"--force"_s}).exitCode, 0);
    EXPECT_TRUE(package::hasPackageMarker(pkg));

    // A save that cannot be written fails with the program's message.
    const ToolRun nowhere = runKoaTool({u"new"_s, scratch(u"missing/course.kof"_s)});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_TRUE(says(nowhere.err, {u"Error saving file."_s}));

    // A course of an older KOA: a header without the later fields.
    writeCourse(scratch(u"older"_s),
                {u"CREATE TABLE header (title TEXT, author TEXT, version TEXT)"_s,
                 u"INSERT INTO header VALUES ('Old course', 'Ann', '1.0')"_s,
                 u"CREATE TABLE data (type TEXT, name TEXT, \"index\" INTEGER)"_s,
                 u"INSERT INTO data VALUES ('modules', 'Intro', 0), ('pages', 'Welcome', 1)"_s},
                scratch(u"older.kof"_s));
    // One of an older program with the current version and a header without
    // its later fields: it opens, in the tool as in KOA.
    writeCourse(scratch(u"lacking"_s),
                {u"CREATE TABLE header (title TEXT, author TEXT, skin TEXT, version TEXT)"_s,
                 u"INSERT INTO header VALUES ('Lacking', 'Ann', 'Classic', '1.1')"_s},
                scratch(u"lacking.kof"_s));
    // A file that is no package: the program's own message, and only the
    // tool's own lines (no log lines of the store).
    const QByteArray junk("KO\x03\x04 this is no archive", 24);
    writeFile(scratch(u"damaged.kof"_s), junk);

    // The lines of the output (separated by '|'), the error's whole text or a part of it.
    const struct {
        QString package;
        int exitCode;
        QString out, err;
        bool errPart;
    } cases[] = {
        {pkg,
         0,
         u"opened        yes\n|version       1.1\n|converted     no\n|display name  Good course\n"_s,
         {},
         true},
        {scratch(u"older.kof"_s), 0, u"converted     yes"_s, u"older version of KOA"_s, true},
        {scratch(u"damaged.kof"_s), 1, u"opened        no\n"_s,
         u"koa-tool: "_s + messages::ErrorOpening + u"\n"_s, false},
        {scratch(u"lacking.kof"_s), 0, u"opened        yes\n"_s, {}, false},
        {scratch(u"absent.kof"_s), 1, {}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package.toStdString());
        const ToolRun r = runKoaTool({u"check"_s, c.package});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.all().toStdString();
        EXPECT_TRUE(says(r.out, c.out.split(u'|', Qt::SkipEmptyParts)));
        if (c.errPart)
            EXPECT_TRUE(says(r.err, {c.err}));
        else
            EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(readFile(scratch(u"damaged.kof"_s)), junk);
}

TEST_F(KoaTool, PackAndUnpackRoundTripAndUnpackLeavesNoHalfFolderNorTouchesTheUsersFiles) {
    const QString course = scratch(u"work/course"_s);
    writeFile(course + u"/koa.kod"_s, "database bytes");
    writeFile(course + u"/pictures/logo.png"_s, QByteArray(3000, 'p'));
    QDir(course).mkpath(u"movies"_s);
    QDir(course).mkpath(u"documents/empty"_s);

    // Relative names, as an author's script would write them.
    const ToolRun packed =
        runKoaTool({u"pack"_s, u"course"_s, u"../out.kof"_s}, scratch(u"work"_s));
    ASSERT_EQ(packed.exitCode, 0) << packed.all().toStdString();
    const QString pkg = scratch(u"out.kof"_s);
    EXPECT_EQ(readFile(pkg).left(4), QByteArray("KO\x03\x04", 4));

    const ToolRun unpacked = runKoaTool({u"unpack"_s, pkg, scratch(u"copy"_s)});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.all().toStdString();
    EXPECT_EQ(treeOf(scratch(u"copy"_s)), treeOf(course));

    // A package is never written into the folder it packs.
    EXPECT_EQ(runKoaTool({u"pack"_s, course, course + u"/self.kof"_s}).exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(course + u"/self.kof"_s));

    // A folder with the user's files in it is refused as it is; a failed
    // unpack leaves a new folder absent and an empty one empty, which then takes the course.
    const QString damaged = scratch(u"damaged.kof"_s);
    writeFile(damaged, "PK\x03\x04 broken");
    writeFile(scratch(u"busy/notes.txt"_s), "mine");
    QDir().mkpath(scratch(u"empty"_s));
    EXPECT_EQ(runKoaTool({u"unpack"_s, pkg, scratch(u"busy"_s)}).exitCode, 1);
    EXPECT_EQ(treeOf(scratch(u"busy"_s)), QStringList{u"notes.txt"_s});
    EXPECT_EQ(runKoaTool({u"unpack"_s, damaged, scratch(u"fresh"_s)}).exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(scratch(u"fresh"_s)));
    EXPECT_EQ(runKoaTool({u"unpack"_s, damaged, scratch(u"empty"_s)}).exitCode, 1);
    EXPECT_TRUE(treeOf(scratch(u"empty"_s)).isEmpty());
    EXPECT_EQ(runKoaTool({u"unpack"_s, pkg, scratch(u"empty"_s)}).exitCode, 0);
    EXPECT_EQ(treeOf(scratch(u"empty"_s)), treeOf(course));
}

TEST_F(KoaTool, RenderWritesTheDocumentThatKoaShows) {
    // A course whose one page holds a text, and templates that name themselves.
    const QString course = scratch(u"course"_s);
    const QString pkg = scratch(u"course.kof"_s);
    schema::createBlankCourse(course);
    writeCourse(course,
                {u"INSERT INTO data (type, name, \"index\") VALUES ('texts', 'Hi', 2)"_s,
                 u"INSERT INTO texts (name, text) VALUES ('Hi', 'Hello<br>you')"_s,
                 u"INSERT INTO keywords (name, desc) VALUES ('Risk', 'A chance of harm')"_s},
                pkg);
    const QByteArray before = readFile(pkg);
    const QString templates = scratch(u"templates"_s);
    writeStubTemplates(templates);

    const ToolRun page =
        runKoaTool({u"render"_s, pkg, u"--page"_s, u"0"_s, u"0"_s, u"--templates"_s, templates});
    ASSERT_EQ(page.exitCode, 0) << page.all().toStdString();
    // Beside the program's own documents, never over them.
    const QString written =
        qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/koa/koa-tool/htmlcache.htm"_s;
    EXPECT_EQ(page.out, written + u"\n"_s);
    const QString html = QString::fromUtf8(readFile(written));
    EXPECT_TRUE(html.contains(u"displayString+='Hello"_s)) << html.toStdString();
    EXPECT_TRUE(html.endsWith(u"[page3][page4]\r\n"_s)) << html.toStdString();

    const ToolRun glossary = runKoaTool({u"render"_s, pkg, u"--glossary"_s});
    ASSERT_EQ(glossary.exitCode, 0) << glossary.all().toStdString();
    EXPECT_TRUE(says(QString::fromUtf8(readFile(glossary.out.trimmed())), {u"A chance of harm"_s}));

    // Past the module's last page KOA shows the menu: no page document.
    const ToolRun past =
        runKoaTool({u"render"_s, pkg, u"--page"_s, u"0"_s, u"1"_s, u"--templates"_s, templates});
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_TRUE(says(past.err, {u"module 0 has no page 1"_s}));
    EXPECT_EQ(readFile(pkg), before);
}

TEST_F(KoaTool, BadUsageExitsTwoWithTheUsage) {
    for (const QString& line :
         {u""_s, u"frobnicate"_s, u"--json info a.kof"_s, u"check a.kof --json"_s, u"pack folder"_s,
          u"render a.kof"_s, u"render a.kof --menu --header"_s, u"render a.kof --page 1"_s,
          u"render a.kof --menu --templates"_s, u"upload a.kof --server"_s}) {
        SCOPED_TRACE(line.toStdString());
        const ToolRun r = runKoaTool(line.split(u' ', Qt::SkipEmptyParts));
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(says(r.err, {u"Usage: koa-tool"_s}));
        EXPECT_TRUE(r.out.isEmpty());
    }
    const ToolRun help = runKoaTool({u"--help"_s});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(says(help.out, {u"pack DIR OUT.kof"_s}));
    EXPECT_EQ(runKoaTool({u"info"_s, u"--help"_s}).out, help.out);
    const ToolRun version = runKoaTool({u"--version"_s});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(u"koa-tool 1."_s)) << version.out.toStdString();
}

} // namespace
} // namespace koa::test
