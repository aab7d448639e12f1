// The export of a course as a self-running folder, through the function the
// window calls and through koa-tool, with a real course and the built template.
#include "distribution/export.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "store/interaction.h"
#include "tests/support/helpers.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

using distribution::ExportOutcome;
using Result = ExportOutcome::Result;

// The read-only mark of a course.
QString statusOf(const QString& database) {
    return rowsOf(database, u"SELECT status FROM header"_s).value(0);
}

// Every row of every table, as text, in a fixed order.
QStringList tablesOf(const QString& database) {
    QStringList out;
    for (const QString& table :
         rowsOf(database, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s))
        for (const QString& row :
             rowsOf(database, u"SELECT * FROM "_s + quoteIdentifier(table) + u" ORDER BY rowid"_s))
            out.append(table + u": "_s + row);
    return out;
}

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        files.New_file(false);
        Database(program.folder().workingDatabase())
            .exec(u"UPDATE header SET title = 'Ships', skin = 'Harbour'"_s);
        writeFile(program.folder().workingFolder() + u"/pictures/boat.png"_s, "not really a png");
        QDir().mkpath(program.scratch(QString()));
    }

    ExportOutcome exportTo(const QString& name, bool readOnly = false) {
        return distribution::exportCourse(
            distribution::ExportSource::forProgramFolder(program.folder()), program.scratch(name),
            readOnly);
    }
    QStringList scratchEntries() const {
        return QDir(program.scratch(QString()))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    ErrorRecorder errors;
    ScriptedScope scripted;
    TempProgramFolder program;
    CourseHost host;
    CourseFiles files{program.folder(), host};
};

TEST_F(Export, MakesTheSelfRunningFolderAndOnFailureNothing) {
    // A file-size limit stands in for a full disk: the viewer alone is larger.
    const ExportOutcome full = [&] {
        const FileSizeLimit limit(256 * 1024);
        EXPECT_TRUE(limit.set);
        return exportTo(u"full"_s);
    }();

    EXPECT_EQ(full.result, Result::Failed);
    EXPECT_EQ(full.message(), u"Error during export. Make sure there is enough space on the "
                              "destination drive and try again."_s);
    EXPECT_EQ(scratchEntries(), QStringList());
    // The next try is not blocked.
    EXPECT_EQ(exportTo(u"full"_s).result, Result::Done);

    // A missing template is a failure too.
    distribution::ExportSource noTemplate =
        distribution::ExportSource::forProgramFolder(program.folder());
    noTemplate.templateFolder = program.scratch(u"nowhere"_s);
    EXPECT_EQ(distribution::exportCourse(noTemplate, program.scratch(u"second"_s), false).result,
              Result::Failed);
    const QByteArray workingBefore = readFile(program.folder().workingDatabase());

    // A blank in the last component: the viewer is named with "_", the folder keeps it.
    const ExportOutcome made = exportTo(u"Ship course"_s);
    ASSERT_EQ(made.result, Result::Done) << made.detail.toStdString();
    EXPECT_EQ(made.viewerName, u"Ship_course"_s);
    const QString target = program.scratch(u"Ship course"_s);
    // (The files checked further down are left out here.)
    const QStringList tree = treeOf(target);
    for (const QString& expected :
         {u"Icons/geom1b.ico"_s, u"libraries.txt"_s, u"koa.inf"_s, u"data/dummy.htm"_s,
          u"includes/page1.inc"_s, u"includes/header.inc"_s, u"temp/pictures/boat.png"_s})
        EXPECT_TRUE(tree.contains(expected)) << expected.toStdString();
    EXPECT_FALSE(tree.contains(u"koa_viewer"_s));
    // Only the course's own skin goes along.
    EXPECT_EQ(QDir(target + u"/skins"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{u"Harbour"_s});
    EXPECT_TRUE(QFileInfo(target + u"/Ship_course"_s).isExecutable());
    EXPECT_TRUE(QFileInfo(target + u"/autorun.sh"_s).isExecutable());
    EXPECT_EQ(readFile(target + u"/autorun.inf"_s),
              QByteArray("[autorun]\r\nopen = Ship_course\r\nIcon = Icons\\geom1b.ico\r\n"));
    // On a machine that lacks the viewer's libraries, the start file names
    // the packages that bring them instead of starting it.
    const QString tools = program.scratch(u"tools"_s);
    writeFile(tools + u"/ldd"_s, "#!/bin/sh\nprintf '\\tlibQt6Sql.so.6 => not found\\n"
                                 "\\tlibgone.so.9 => not found\\n'\n");
    QFile(tools + u"/ldd"_s).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    QProcess start;
    start.start(u"env"_s, {u"-u"_s, u"DISPLAY"_s, u"-u"_s, u"WAYLAND_DISPLAY"_s,
                           u"PATH="_s + tools + u':' + qEnvironmentVariable("PATH"), u"sh"_s,
                           target + u"/autorun.sh"_s});
    ASSERT_TRUE(start.waitForFinished(20000));
    EXPECT_EQ(start.exitCode(), 1);
    EXPECT_TRUE(
        start.readAllStandardError().contains("sudo apt-get install libqt6sql6 libgone.so.9"));
    QDir(tools).removeRecursively();
    // Learners other than the author read the course.
    EXPECT_TRUE(QFileInfo(target + u"/temp/koa.kod"_s).permissions() & QFile::ReadOther);
    EXPECT_EQ(statusOf(target + u"/temp/koa.kod"_s), u"0"_s);
    // Nothing of the staging folder is left beside the target, nor of "second".
    EXPECT_EQ(scratchEntries(), (QStringList{u"full"_s, u"Ship course"_s}));

    // A second export to the same place is refused and changes nothing.
    const QByteArray copied = readFile(target + u"/temp/koa.kod"_s);
    EXPECT_EQ(exportTo(u"Ship course"_s).result, Result::TargetExists);
    EXPECT_EQ(readFile(target + u"/temp/koa.kod"_s), copied);

    // The box marks only the copy read-only; the working course stays as it was.
    ASSERT_EQ(exportTo(u"marked"_s, true).result, Result::Done);
    EXPECT_EQ(statusOf(program.scratch(u"marked/temp/koa.kod"_s)), u"1"_s);
    EXPECT_EQ(readFile(program.folder().workingDatabase()), workingBefore);

    // A read-only course gives a read-only copy with the box unchecked.
    Database(program.folder().workingDatabase()).exec(u"UPDATE header SET status = 1"_s);
    ASSERT_EQ(exportTo(u"locked"_s, false).result, Result::Done);
    EXPECT_EQ(statusOf(program.scratch(u"locked/temp/koa.kod"_s)), u"1"_s);

    // A target named like a part of the export does not replace that part.
    const ExportOutcome named = exportTo(u"temp"_s);
    ASSERT_EQ(named.result, Result::Done);
    EXPECT_EQ(named.viewerName, u"temp_viewer"_s);
    EXPECT_TRUE(QFileInfo(program.scratch(u"temp/temp/koa.kod"_s)).isFile());
}

TEST_F(Export, ToolExportImportsAsTheSameCourse) {
    addLayout(program.folder().workingDatabase(), {u"modules:Harbour"_s, u"pages:Quay"_s});
    scripted->queueFile(program.scratch(u"ships.kof"_s));
    ASSERT_TRUE(files.Save_course(true));
    const QStringList saved = tablesOf(program.folder().workingDatabase());

    const QString pkg = program.scratch(u"ships.kof"_s);
    const ToolRun made = runKoaTool({u"export"_s, pkg, program.scratch(u"out"_s)});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const ToolRun again = runKoaTool({u"export"_s, pkg, program.scratch(u"out"_s)});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(u"An export of this file already exists at this location."_s));
    const ToolRun locked =
        runKoaTool({u"export"_s, pkg, program.scratch(u"ro"_s), u"--read-only"_s});
    ASSERT_EQ(locked.exitCode, 0) << locked.err.toStdString();
    EXPECT_EQ(statusOf(program.scratch(u"ro/temp/koa.kod"_s)), u"1"_s);

    // Import of the export's koa.inf gives back the same tables.
    files.New_file(false);
    scripted->queueFile(program.scratch(u"out/koa.inf"_s));
    files.Import();
    EXPECT_EQ(tablesOf(program.folder().workingDatabase()), saved);
}

} // namespace
} // namespace koa::test
