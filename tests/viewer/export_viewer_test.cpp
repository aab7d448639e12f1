// The viewer playing a course exported to a read-only folder, in the browser
// under the offscreen platform: title page, menu, pages, a keyword, a quiz,
// a Flash movie and "exit" ending the program, with no file of the export
// changed.
#include "distribution/export.h"
#include "render/browser.h"
#include "render/confinement.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"
#include "viewer/viewer.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

// Every file and folder below `folder`, a file with its checksum.
QStringList checksums(const QString& folder) {
    QStringList out = treeOf(folder);
    for (QString& f : out)
        f += u' ' + QString::fromLatin1(QCryptographicHash::hash(readFile(folder + u'/' + f),
                                                                 QCryptographicHash::Sha256)
                                            .toHex());
    return out;
}

constexpr QRgb Stage = 0xff2060c0, Shape = 0xfff0a010;

// A course of two pages, a keyword, a quiz and a Flash movie, exported read-only into a
// folder whose path has blanks, "#", "?" and "%"; the export's folder.
QString exportHarbour(const TempProgramFolder& program) {
    CourseHost host;
    CourseFiles(program.folder(), host).New_file(false);
    const QString course = program.folder().workingDatabase();
    setLayout(course, {u"modules:Harbour"_s, u"pages:Quay"_s, u"texts:Hello"_s, u"pages:Dock"_s,
                       u"quizes:Knots"_s, u"flash:Wave"_s});
    writeFile(program.folder().workingFolder() + u"/flash/1.swf"_s, swfOf(200, 100, Stage, Shape));
    {
        Database db(course);
        db.exec(u"UPDATE header SET title = 'Harbour course', author = 'Ann'"_s);
        db.exec(u"INSERT INTO texts (name, text) VALUES ('Hello', 'Welcome on the quay')"_s);
        db.exec(u"INSERT INTO keywords (name, desc) VALUES ('Anchor', 'Holds the ship')"_s);
        db.exec(u"INSERT INTO quizes (name, text) VALUES ('Knots', 'Is a bowline a knot?')"_s);
        db.exec(u"INSERT INTO statements VALUES ('Knots', 'It is', 'true')"_s);
        db.exec(u"INSERT INTO flash (name, filename, width, height, alignment, \"float\", caption) "
                "VALUES ('Wave', '1.swf', 200, 100, 'Center', 0, '')"_s);
        db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Quay', '', 'Quay'), "
                "('Dock', '', 'Dock')"_s);
        // A course in write-ahead mode: opened merely read-only, SQLite would
        // put its -wal and -shm files beside it (or fail on a read-only medium).
        db.exec(u"PRAGMA journal_mode = WAL"_s);
    }

    // Characters that end or escape a URI stay part of the path.
    const QString parent = program.scratch(u"my courses #1? 100%"_s);
    QDir().mkpath(parent);
    const QString target = parent + u"/Harbour"_s;
    const auto made = distribution::exportCourse(
        distribution::ExportSource::forProgramFolder(program.folder()), target, true);
    EXPECT_EQ(made.result, distribution::ExportOutcome::Result::Done) << made.detail.toStdString();
    return target;
}

TEST(ExportedViewer, PlaysAReadOnlyExportInProcessAndAsTheExportedProgram) {
    ErrorRecorder errors;
    ScriptedScope scripted;
    TempProgramFolder program;
    const QString target = exportHarbour(program);
    // Write access back at the end, for the clean-up.
    const auto writable = [&](bool yes) {
        return QProcess::execute(u"chmod"_s, {u"-R"_s, yes ? u"u+w"_s : u"a-w"_s, target});
    };
    ASSERT_EQ(writable(false), 0);
    const QStringList before = checksums(target);

    render::Browser::setConfinement(
        render::Confinement::forProgramFolder(ProgramFolder(target, target)));
    int status = -1;
    viewer::viewer window(target, [&](int s) { status = s; });
    window.Form_Load();
    render::RenderState& state = window.renderer().state();
    QWebEnginePage* page = window.WebBrowser1->page();
    const auto shows = [&](const QString& text) {
        return waitUntil([&] { return evalIn(page, everyFrameText(), 2000).contains(text); },
                         20000);
    };
    // A learner's command, then whether the page shows `text`, in `mode` once
    // it has settled.
    const auto go = [&](const QString& command, const QString& text = {},
                        const QString& mode = {}) {
        evalIn(page, u"window.status = '"_s + command + u"'; true"_s);
        return waitUntil(
                   [&] {
                       return mode.isEmpty() ||
                              (state.previewMode == mode && state.documentLoaded &&
                               window.WebBrowser1->readyState() == render::Browser::Complete);
                   },
                   20000) &&
               (text.isEmpty() || shows(text));
    };

    // The title page first, over the whole screen.
    EXPECT_TRUE(shows(u"Harbour course"_s));
    EXPECT_GE(window.width(), 1280);
    EXPECT_GE(window.height(), 1024);
    EXPECT_TRUE(go(u"home"_s, u"Harbour"_s, u"menu"_s));
    EXPECT_TRUE(go(u"module*0"_s, u"Welcome on the quay"_s, u"module"_s));
    EXPECT_TRUE(go(u"keyword*Anchor"_s, u"Holds the ship"_s));
    EXPECT_TRUE(go(u"forward"_s, u"Is a bowline a knot?"_s));
    EXPECT_TRUE(showsFlash(window.WebBrowser1, Stage, Shape));
    EXPECT_EQ(state.pageNumber, 1);

    go(u"about"_s);
    ASSERT_TRUE(waitUntil([&] { return window.aboutWindow() && window.aboutWindow()->isVisible(); },
                          10000));
    EXPECT_FALSE(window.aboutWindow()->windowFlags() & Qt::WindowStaysOnTopHint);

    // "exit" ends the program once the empty page has loaded.
    go(u"exit"_s);
    EXPECT_TRUE(waitUntil([&] { return status == 0; }, 20000));
    EXPECT_FALSE(window.isVisible());
    // No file appeared (root writes into a chmod'ed folder all the same).
    EXPECT_EQ(checksums(target), before);

    // The exported program, started without arguments as a desktop starts it,
    // plays its own folder: the learner's "exit" as soon as the title page has
    // loaded ends it with status 0.
    writable(true);
    const QString title = target + u"/includes/header.inc"_s;
    writeFile(title, "<script>addEventListener('load', function () { window.status = 'exit'; "
                     "});</script>\n" +
                         readFile(title));
    ASSERT_EQ(writable(false), 0);
    const QStringList edited = checksums(target);
    QProcess exported;
    exported.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    exported.start(target + u"/Harbour"_s, QStringList());
    ASSERT_TRUE(exported.waitForStarted(10000));
    EXPECT_TRUE(exported.waitForFinished(60000)) << "the viewer did not end on exit";
    EXPECT_EQ(exported.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(exported.exitCode(), 0);
    EXPECT_EQ(checksums(target), edited);
    writable(true);
}

} // namespace
} // namespace koa::test
