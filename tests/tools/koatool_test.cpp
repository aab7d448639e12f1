// Runs the real koa-tool binary beside the tests, on packages made here.
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/package.h"
#include "store/schema.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
    QString all() const { return out + err; }
};

Result koaTool(const QStringList& arguments, const QString& workingFolder = QString()) {
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(QCoreApplication::applicationDirPath() + u"/koa-tool"_s, arguments);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "koa-tool did not finish: " << arguments.join(u' ').toStdString();
        p.kill();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// A package in the layout of an older KOA: a header without the later fields.
void writeOlderPackage(const QString& folder, const QString& package) {
    QDir().mkpath(folder + u"/pictures"_s);
    {
        Database db(folder + u"/koa.kod"_s, Database::Mode::Create);
        db.exec(u"CREATE TABLE header (title TEXT, author TEXT, version TEXT)"_s);
        db.exec(u"INSERT INTO header VALUES ('Old course', 'Ann', '1.0')"_s);
        db.exec(u"CREATE TABLE data (type TEXT, name TEXT, \"index\" INTEGER)"_s);
        db.exec(u"INSERT INTO data VALUES ('modules', 'Intro', 0), ('pages', 'Welcome', 1)"_s);
    }
    package::packFolder(folder, package);
}

class KoaTool : public ::testing::Test {
protected:
    QString scratch(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

TEST_F(KoaTool, NewCourseReadsBackThroughInfo) {
    const QString pkg = scratch(u"course.kof"_s);
    const Result made = koaTool({u"new"_s, pkg});
    ASSERT_EQ(made.exitCode, 0) << made.all().toStdString();
    EXPECT_TRUE(package::hasPackageMarker(pkg));
    const QByteArray before = readFile(pkg);

    const Result info = koaTool({u"info"_s, pkg, u"--json"_s});
    ASSERT_EQ(info.exitCode, 0) << info.all().toStdString();
    QJsonParseError parseError{};
    const QJsonObject json = QJsonDocument::fromJson(info.out.toUtf8(), &parseError).object();
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << info.out.toStdString();

    const QJsonObject header = json[u"header"_s].toObject();
    EXPECT_EQ(header[u"version"_s].toString(), u"1.1"_s);
    EXPECT_EQ(header[u"skin"_s].toString(), u"Classic"_s);
    EXPECT_EQ(header[u"menuscroll"_s].toInteger(-1), 0);

    // The layout in index order, the tables in the course's own order.
    const QJsonArray data = json[u"data"_s].toArray();
    ASSERT_EQ(data.size(), 2);
    EXPECT_EQ(
        data[0].toObject(),
        (QJsonObject{{u"index"_s, 0}, {u"type"_s, u"modules"_s}, {u"name"_s, u"New Module"_s}}));
    EXPECT_EQ(data[1].toObject(),
              (QJsonObject{{u"index"_s, 1}, {u"type"_s, u"pages"_s}, {u"name"_s, u""_s}}));
    const QJsonArray tables = json[u"tables"_s].toArray();
    ASSERT_EQ(static_cast<size_t>(tables.size()), schema::courseTables().size());
    for (qsizetype i = 0; i < tables.size(); ++i)
        EXPECT_EQ(tables[i][u"name"_s].toString(), schema::courseTables()[size_t(i)].name);
    EXPECT_EQ(tables[0][u"rows"_s].toInteger(), 1);

    // The text form says the same; reading never writes into the package.
    const Result text = koaTool({u"info"_s, pkg});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains(u"version       1.1\n"_s)) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(u"     0  modules  New Module\n"_s)) << text.out.toStdString();
    EXPECT_EQ(readFile(pkg), before);

    // Neither command made or touched the user's own program folder.
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + u"/koa"_s));

    // An existing file is written over only when asked to.
    writeFile(pkg, "someone's work");
    const Result refused = koaTool({u"new"_s, pkg});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, u"koa-tool: "_s + pkg + u" exists; --force writes over it\n"_s);
    EXPECT_EQ(readFile(pkg), "someone's work");
    EXPECT_EQ(koaTool({u"new"_s, pkg, u"--force"_s}).exitCode, 0);
    EXPECT_TRUE(package::hasPackageMarker(pkg));

    // A save that cannot be written fails with the program's message.
    const Result nowhere = koaTool({u"new"_s, scratch(u"missing/course.kof"_s)});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_TRUE(nowhere.err.contains(u"Error saving file."_s)) << nowhere.err.toStdString();
}

TEST_F(KoaTool, CheckOpensAsTheProgramDoes) {
    const QString good = scratch(u"Good course.kof"_s);
    ASSERT_EQ(koaTool({u"new"_s, good}).exitCode, 0);
    const Result opened = koaTool({u"check"_s, good});
    EXPECT_EQ(opened.exitCode, 0) << opened.all().toStdString();
    EXPECT_TRUE(opened.out.contains(u"opened        yes\n"_s));
    EXPECT_TRUE(opened.out.contains(u"version       1.1\n"_s));
    EXPECT_TRUE(opened.out.contains(u"converted     no\n"_s));
    EXPECT_TRUE(opened.out.contains(u"display name  Good course\n"_s)) << opened.out.toStdString();

    // An older course is converted, and says so.
    const QString older = scratch(u"older.kof"_s);
    writeOlderPackage(scratch(u"older"_s), older);
    const Result converted = koaTool({u"check"_s, older});
    EXPECT_EQ(converted.exitCode, 0) << converted.all().toStdString();
    EXPECT_TRUE(converted.out.contains(u"converted     yes"_s)) << converted.out.toStdString();
    EXPECT_TRUE(converted.err.contains(u"older version of KOA"_s));

    // GIVEN a file that is no package WHEN checked THEN it does not open, the
    // program's own message is shown and the file keeps every byte.
    const QString damaged = scratch(u"damaged.kof"_s);
    const QByteArray junk("KO\x03\x04 this is no archive", 24);
    writeFile(damaged, junk);
    const Result refused = koaTool({u"check"_s, damaged});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.contains(u"opened        no\n"_s)) << refused.out.toStdString();
    // Only the tool's own lines: no log lines of the store.
    EXPECT_EQ(refused.err, u"koa-tool: "_s + messages::ErrorOpening + u"\n"_s);
    EXPECT_EQ(readFile(damaged), junk);

    // A course of an older program with the current version and a header
    // without its later fields opens, in the tool as in KOA.
    {
        QDir().mkpath(scratch(u"lacking"_s));
        Database db(scratch(u"lacking/koa.kod"_s), Database::Mode::Create);
        db.exec(u"CREATE TABLE header (title TEXT, author TEXT, skin TEXT, version TEXT)"_s);
        db.exec(u"INSERT INTO header VALUES ('Lacking', 'Ann', 'Classic', '1.1')"_s);
    }
    package::packFolder(scratch(u"lacking"_s), scratch(u"lacking.kof"_s));
    const Result lacking = koaTool({u"check"_s, scratch(u"lacking.kof"_s)});
    EXPECT_EQ(lacking.exitCode, 0) << lacking.all().toStdString();
    EXPECT_TRUE(lacking.out.contains(u"opened        yes\n"_s)) << lacking.out.toStdString();
    EXPECT_EQ(lacking.err, QString());

    EXPECT_EQ(koaTool({u"check"_s, scratch(u"absent.kof"_s)}).exitCode, 1);
}

TEST_F(KoaTool, PackAndUnpackRoundTrip) {
    const QString course = scratch(u"work/course"_s);
    writeFile(course + u"/koa.kod"_s, "database bytes");
    writeFile(course + u"/pictures/logo.png"_s, QByteArray(3000, 'p'));
    QDir(course).mkpath(u"movies"_s);
    QDir(course).mkpath(u"documents/empty"_s);

    // Relative names, as an author's script would write them.
    const Result packed = koaTool({u"pack"_s, u"course"_s, u"../out.kof"_s}, scratch(u"work"_s));
    ASSERT_EQ(packed.exitCode, 0) << packed.all().toStdString();
    EXPECT_EQ(readFile(scratch(u"out.kof"_s)).left(4), QByteArray("KO\x03\x04", 4));

    const Result unpacked = koaTool({u"unpack"_s, scratch(u"out.kof"_s), scratch(u"copy"_s)});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.all().toStdString();
    EXPECT_EQ(treeOf(scratch(u"copy"_s)), treeOf(course));
    EXPECT_EQ(readFile(scratch(u"copy/pictures/logo.png"_s)), QByteArray(3000, 'p'));

    // A package is never written into the folder it packs.
    const Result inside = koaTool({u"pack"_s, course, course + u"/self.kof"_s});
    EXPECT_EQ(inside.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(course + u"/self.kof"_s));
}

TEST_F(KoaTool, UnpackLeavesNoHalfFolderAndKeepsTheUsersFiles) {
    const QString pkg = scratch(u"course.kof"_s);
    ASSERT_EQ(koaTool({u"new"_s, pkg}).exitCode, 0);
    writeFile(scratch(u"damaged.kof"_s), "PK\x03\x04 broken");

    // A folder with the user's files in it is refused as it is.
    writeFile(scratch(u"busy/notes.txt"_s), "mine");
    const Result busy = koaTool({u"unpack"_s, pkg, scratch(u"busy"_s)});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(treeOf(scratch(u"busy"_s)), QStringList{u"notes.txt"_s});
    EXPECT_EQ(readFile(scratch(u"busy/notes.txt"_s)), "mine");

    // A failed unpack leaves a new folder absent and an empty one empty.
    EXPECT_EQ(koaTool({u"unpack"_s, scratch(u"damaged.kof"_s), scratch(u"fresh"_s)}).exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(scratch(u"fresh"_s)));
    QDir().mkpath(scratch(u"empty"_s));
    EXPECT_EQ(koaTool({u"unpack"_s, scratch(u"damaged.kof"_s), scratch(u"empty"_s)}).exitCode, 1);
    EXPECT_TRUE(treeOf(scratch(u"empty"_s)).isEmpty());

    // An empty folder takes the course.
    EXPECT_EQ(koaTool({u"unpack"_s, pkg, scratch(u"empty"_s)}).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(scratch(u"empty/koa.kod"_s)));
}

TEST_F(KoaTool, RenderWritesTheDocumentThatKoaShows) {
    // A course whose one page holds a text, and templates that name themselves.
    const QString course = scratch(u"course"_s);
    schema::createBlankCourse(course);
    {
        Database db(course + u"/koa.kod"_s);
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('texts', 'Hi', 2)"_s);
        db.exec(u"INSERT INTO texts (name, text) VALUES ('Hi', 'Hello<br>you')"_s);
        db.exec(u"INSERT INTO keywords (name, desc) VALUES ('Risk', 'A chance of harm')"_s);
    }
    const QString pkg = scratch(u"course.kof"_s);
    package::packFolder(course, pkg);
    const QByteArray before = readFile(pkg);
    const QString templates = scratch(u"templates"_s);
    writeStubTemplates(templates);

    const Result page =
        koaTool({u"render"_s, pkg, u"--page"_s, u"0"_s, u"0"_s, u"--templates"_s, templates});
    ASSERT_EQ(page.exitCode, 0) << page.all().toStdString();
    // Beside the program's own documents, never over them.
    const QString written =
        qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/koa/koa-tool/htmlcache.htm"_s;
    EXPECT_EQ(page.out, written + u"\n"_s);
    const QString html = QString::fromUtf8(readFile(written));
    EXPECT_TRUE(html.contains(u"displayString+='Hello"_s)) << html.toStdString();
    EXPECT_TRUE(html.endsWith(u"[page3][page4]\r\n"_s)) << html.toStdString();

    const Result glossary = koaTool({u"render"_s, pkg, u"--glossary"_s});
    ASSERT_EQ(glossary.exitCode, 0) << glossary.all().toStdString();
    EXPECT_TRUE(
        QString::fromUtf8(readFile(glossary.out.trimmed())).contains(u"A chance of harm"_s));

    // Past the module's last page KOA shows the menu: no page document.
    const Result past =
        koaTool({u"render"_s, pkg, u"--page"_s, u"0"_s, u"1"_s, u"--templates"_s, templates});
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_TRUE(past.err.contains(u"module 0 has no page 1"_s)) << past.err.toStdString();
    EXPECT_EQ(koaTool({u"render"_s, pkg}).exitCode, 2);
    EXPECT_EQ(koaTool({u"render"_s, pkg, u"--menu"_s, u"--header"_s}).exitCode, 2);
    EXPECT_EQ(koaTool({u"render"_s, pkg, u"--page"_s, u"1"_s}).exitCode, 2);
    EXPECT_EQ(readFile(pkg), before);
}

TEST_F(KoaTool, BadUsageExitsTwoWithTheUsage) {
    const QList<QStringList> bad = {{},
                                    {u"frobnicate"_s},
                                    {u"--json"_s, u"info"_s, u"a.kof"_s},
                                    {u"check"_s, u"a.kof"_s, u"--json"_s},
                                    {u"pack"_s, u"folder"_s},
                                    {u"render"_s, u"a.kof"_s, u"--menu"_s, u"--templates"_s},
                                    {u"upload"_s, u"a.kof"_s, u"--server"_s}};
    for (const QStringList& args : bad) {
        const Result r = koaTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"Usage: koa-tool"_s)) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const Result help = koaTool({u"--help"_s});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(u"pack DIR OUT.kof"_s));
    EXPECT_EQ(koaTool({u"info"_s, u"--help"_s}).out, help.out);
    const Result version = koaTool({u"--version"_s});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(u"koa-tool 1."_s)) << version.out.toStdString();
}

} // namespace
} // namespace koa::test
