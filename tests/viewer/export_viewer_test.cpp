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
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

// Every file of the folder with its checksum.
QStringList checksums(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out.append(it.filePath() + u' ' +
                   QString::fromLatin1(
                       QCryptographicHash::hash(readFile(it.filePath()), QCryptographicHash::Sha256)
                           .toHex()));
    }
    out.sort();
    return out;
}

// The visible text of every frame, depth first.
const QString FrameTexts = uR"((function all(w) {
    var t = '';
    try { t = w.document.body ? w.document.body.innerText : ''; } catch (x) {}
    for (var i = 0; i < w.frames.length; ++i) t += '\n' + all(w.frames[i]);
    return t;
})(window))"_s;

constexpr QRgb Stage = 0xff2060c0, Shape = 0xfff0a010;

// A course of two pages, a keyword, a quiz and a Flash movie, exported read-only into a
// folder whose path has blanks, "#", "?" and "%"; the export's folder.
QString exportHarbour(const TempProgramFolder& program) {
    CourseHost host;
    CourseFiles files(program.folder(), host);
    files.New_file(false);
    const QString course = program.folder().workingDatabase();
    {
        Database db(course);
        db.exec(u"UPDATE header SET title = 'Harbour course', author = 'Ann'"_s);
        db.exec(u"INSERT INTO texts (name, text) VALUES ('Hello', 'Welcome on the quay')"_s);
        db.exec(u"INSERT INTO keywords (name, desc) VALUES ('Anchor', 'Holds the ship')"_s);
        db.exec(u"INSERT INTO quizes (name, text) VALUES ('Knots', 'Is a bowline a knot?')"_s);
        db.exec(u"INSERT INTO statements VALUES ('Knots', 'It is', 'true')"_s);
        db.exec(u"INSERT INTO flash (name, filename, width, height, alignment, \"float\", caption) "
                "VALUES ('Wave', '1.swf', 200, 100, 'Center', 0, '')"_s);
    }
    writeFile(program.folder().workingFolder() + u"/flash/1.swf"_s, swfOf(200, 100, Stage, Shape));
    setLayout(course, {u"modules:Harbour"_s, u"pages:Quay"_s, u"texts:Hello"_s, u"pages:Dock"_s,
                       u"quizes:Knots"_s, u"flash:Wave"_s});
    {
        Database db(course);
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

TEST(ExportedViewer, PlaysAReadOnlyExportAndEndsOnExit) {
    ErrorRecorder errors;
    ScriptedScope scripted;
    TempProgramFolder program;
    const QString target = exportHarbour(program);
    ASSERT_EQ(QProcess::execute(u"chmod"_s, {u"-R"_s, u"a-w"_s, target}), 0);
    const QStringList before = checksums(target);

    render::Browser::setConfinement(
        render::Confinement::forProgramFolder(ProgramFolder(target, target)));
    int status = -1;
    viewer::viewer window(target, [&](int s) { status = s; });
    window.Form_Load();
    render::RenderState& state = window.renderer().state();
    QWebEnginePage* page = window.WebBrowser1->page();
    const auto shows = [&](const QString& text) {
        return waitUntil([&] { return evalIn(page, FrameTexts, 2000).contains(text); }, 20000);
    };
    const auto command = [&](const QString& text) {
        evalIn(page, u"window.status = '"_s + text + u"'; true"_s);
    };

    // The title page first, over the whole screen.
    EXPECT_TRUE(shows(u"Harbour course"_s));
    EXPECT_GE(window.width(), 1280);
    EXPECT_GE(window.height(), 1024);

    const auto settled = [&](const QString& mode) {
        return waitUntil(
            [&] {
                return state.previewMode == mode && state.documentLoaded &&
                       window.WebBrowser1->readyState() == render::Browser::Complete;
            },
            20000);
    };
    command(u"home"_s);
    EXPECT_TRUE(settled(u"menu"_s));
    EXPECT_TRUE(shows(u"Harbour"_s));

    command(u"module*0"_s);
    EXPECT_TRUE(settled(u"module"_s));
    EXPECT_TRUE(shows(u"Welcome on the quay"_s));
    command(u"keyword*Anchor"_s);
    EXPECT_TRUE(shows(u"Holds the ship"_s));
    command(u"forward"_s);
    EXPECT_TRUE(shows(u"Is a bowline a knot?"_s));
    EXPECT_TRUE(showsFlash(window.WebBrowser1, Stage, Shape));
    EXPECT_EQ(state.pageNumber, 1);

    command(u"about"_s);
    ASSERT_TRUE(waitUntil([&] { return window.aboutWindow() && window.aboutWindow()->isVisible(); },
                          10000));
    EXPECT_FALSE(window.aboutWindow()->windowFlags() & Qt::WindowStaysOnTopHint);

    // "exit" ends the program once the empty page has loaded.
    command(u"exit"_s);
    EXPECT_TRUE(waitUntil([&] { return status == 0; }, 20000));
    EXPECT_FALSE(window.isVisible());

    // No file appeared (root writes into a chmod'ed folder all the same).
    EXPECT_EQ(checksums(target), before);
    EXPECT_TRUE(errors.reports().isEmpty());
    QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, target});
}

TEST(ExportedViewer, TheExportedProgramPlaysAndEndsWithStatusZeroOnExit) {
    ErrorRecorder errors;
    ScriptedScope scripted;
    TempProgramFolder program;
    const QString target = exportHarbour(program);
    ASSERT_TRUE(QFileInfo(target + u"/Harbour"_s).isExecutable());
    // The export carries the Flash player: start-up has no warning to show
    // in a box that no one here could close.
    ASSERT_TRUE(QFileInfo(target + u"/includes/ruffle/ruffle.js"_s).size() > 0);
    // The learner's "exit" as soon as the title page has loaded.
    const QString title = target + u"/includes/header.inc"_s;
    writeFile(title, "<script>addEventListener('load', function () { window.status = 'exit'; "
                     "});</script>\n" +
                         readFile(title));
    ASSERT_EQ(QProcess::execute(u"chmod"_s, {u"-R"_s, u"a-w"_s, target}), 0);
    const QStringList before = checksums(target);

    // Started without arguments, as a desktop starts it: it plays its own folder.
    QProcess viewer;
    viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    viewer.start(target + u"/Harbour"_s, QStringList());
    ASSERT_TRUE(viewer.waitForStarted(10000));
    if (!viewer.waitForFinished(60000)) {
        viewer.kill();
        viewer.waitForFinished();
        ADD_FAILURE() << "the viewer did not end on exit";
    }
    EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(viewer.exitCode(), 0);
    EXPECT_EQ(checksums(target), before);
    QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, target});
}

} // namespace
} // namespace koa::test
