// Exporting a course and playing it in the viewer: the export next to cp -r
// of the same folders on the same disk, the viewer's title page after its
// start and its pages after a command. A report, not a gate: it fails only
// when something errors.
#include "bench/bench.h"
#include "distribution/export.h"
#include "render/browser.h"
#include "render/confinement.h"
#include "store/database.h"
#include "store/programfolder.h"
#include "store/schema.h"
#include "viewer/viewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEnginePage>

namespace koa::bench {
namespace {

constexpr double RatioLimit = 1.5;
constexpr double TitleLimitMs = 1500;
constexpr double PageLimitMs = 150;

void exportTo(const distribution::ExportSource& source, const QString& folder, bool readOnly) {
    const auto made = distribution::exportCourse(source, folder, readOnly);
    if (made.result != distribution::ExportOutcome::Result::Done)
        fail(u"export failed: "_s + made.detail);
}

// A course of two pages, a text and a quiz in `folder`, with `mb` MB of
// incompressible media.
void makeCourse(const QString& folder, qint64 mb) {
    schema::createBlankCourse(folder);
    Database db(folder + u"/koa.kod"_s);
    db.exec(u"UPDATE header SET title = 'Harbour course'"_s);
    db.exec(u"INSERT INTO texts (name, text) VALUES ('Hello', 'Welcome on the quay')"_s);
    db.exec(u"INSERT INTO quizes (name, text) VALUES ('Knots', 'Is a bowline a knot?')"_s);
    db.exec(u"INSERT INTO statements VALUES ('Knots', 'It is', 'true')"_s);
    db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Quay', '', 'Quay'), "
            "('Dock', '', 'Dock')"_s);
    db.exec(u"DELETE FROM data"_s);
    db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('modules', 'Harbour', 0), "
            "('pages', 'Quay', 1), ('texts', 'Hello', 2), ('pages', 'Dock', 3), "
            "('quizes', 'Knots', 4)"_s);
    writeMedia(folder, mb, 17, [](int n, const QString& mediaFolder) {
        return QString::number(n) + (mediaFolder == u"movies" ? u".mp4"_s : u".jpg"_s);
    });
}

void compareExport(const ProgramFolder& program, const QString& scratch, int runs) {
    const distribution::ExportSource source = distribution::ExportSource::forProgramFolder(program);
    const QString ours = scratch + u"/ours"_s;
    const QString theirs = scratch + u"/theirs"_s;
    const auto clean = [&] {
        removePath(ours);
        removePath(theirs);
    };
    // The shipped folders are links in the program folder: cp -r would copy
    // the links and then write through them into the build.
    const auto real = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        if (resolved.isEmpty())
            fail(u"missing "_s + path);
        return resolved;
    };
    std::vector<double> exported, copied;
    for (int i = 0; i < runs; ++i)
        exported.push_back(timedRun(clean, [&] { exportTo(source, ours, false); }));
    const QString templateFolder = real(source.templateFolder);
    const QString skin = real(source.skinsFolder + u"/Classic"_s);
    for (int i = 0; i < runs; ++i) {
        copied.push_back(timedRun(clean, [&] {
            runTool(u"cp"_s, {u"-r"_s, templateFolder, theirs});
            runTool(u"cp"_s, {u"-r"_s, real(source.workingFolder), theirs + u"/temp"_s});
            QDir().mkpath(theirs + u"/skins"_s);
            runTool(u"cp"_s, {u"-r"_s, skin, theirs + u"/skins/Classic"_s});
        }));
    }
    const double ratio = best(exported) / best(copied);
    std::printf("export  ours %8.3f s   cp -r %8.3f s   ratio %.2f  %s (limit %.2f)\n",
                best(exported), best(copied), ratio, verdict(ratio <= RatioLimit), RatioLimit);
}

// The visible text of every frame, depth first.
const QString FrameTexts = uR"((function all(w) {
    var t = '';
    try { t = w.document.body ? w.document.body.innerText : ''; } catch (x) {}
    for (var i = 0; i < w.frames.length; ++i) t += '\n' + all(w.frames[i]);
    return t;
})(window))"_s;

// Runs the events until the shown text satisfies `done`; false after 20 s.
bool waitForText(QWebEnginePage* page, const std::function<bool(const QString&)>& done) {
    QElapsedTimer clock;
    clock.start();
    bool found = false;
    while (!found && clock.elapsed() < 20000) {
        bool answered = false;
        page->runJavaScript(FrameTexts, [&](const QVariant& v) {
            answered = true;
            found = done(v.toString());
        });
        while (!answered && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return found;
}

void timeViewer(const QString& exported, Clock::time_point programStart, int runs) {
    render::Browser::setConfinement(
        render::Confinement::forProgramFolder(ProgramFolder(exported, exported)));
    viewer::viewer window(exported, [](int) {});
    window.Form_Load();
    QWebEnginePage* page = window.WebBrowser1->page();
    if (!waitForText(page, [](const QString& shown) { return shown.contains(u"Harbour course"); }))
        fail(u"the title page did not show"_s);
    const double title = 1000 * std::chrono::duration<double>(Clock::now() - programStart).count();
    std::printf("%-26s %8.2f ms after the start   %s (limit %.0f ms)\n", "title page", title,
                verdict(title <= TitleLimitMs), TitleLimitMs);

    // Each command's time lasts until its view has loaded, not only a frame
    // of the one before.
    render::RenderState& state = window.renderer().state();
    const struct {
        const char* what;
        QString command, mode, text;
    } commands[] = {
        {"menu after \"home\"", u"home"_s, u"menu"_s, u"Harbour"_s},
        {"page after \"module*0\"", u"module*0"_s, u"module"_s, u"Welcome on the quay"_s},
        {"page after \"forward\"", u"forward"_s, u"module"_s, u"Is a bowline a knot?"_s}};
    std::vector<double> ms[3];
    for (int i = 0; i < runs; ++i) {
        for (int c = 0; c < 3; ++c) {
            ms[c].push_back(1000 * secondsOf([&] {
                                page->runJavaScript(u"window.status = '"_s + commands[c].command +
                                                    u"'; true"_s);
                                if (!waitForText(page, [&](const QString& shown) {
                                        return state.previewMode == commands[c].mode &&
                                               state.documentLoaded &&
                                               window.WebBrowser1->readyState() ==
                                                   render::Browser::Complete &&
                                               shown.contains(commands[c].text);
                                    }))
                                    fail(u"no page after "_s + commands[c].command);
                            }));
        }
    }
    for (int c = 0; c < 3; ++c)
        reportSpread(26, commands[c].what, ms[c], PageLimitMs, true);
}

int run(Clock::time_point programStart) {
    const QCommandLineParser& options = parseOptions(
        {}, {{u"size-mb"_s, u"Media in the exported course (300)."_s, u"N"_s, u"300"_s},
             {u"runs"_s, u"Timed runs per side (3) and commands (20)."_s, u"N"_s},
             {u"dir"_s, u"Scratch folder inside FOLDER."_s, u"FOLDER"_s, QDir::tempPath()}});
    const bool runsSet = options.isSet(u"runs"_s);
    const int runs = runsSet ? std::max(1, options.value(u"runs"_s).toInt()) : 3;
    const Scratch scratch(options.value(u"dir"_s));
    const ProgramFolder program(scratch.filePath(u"root"_s),
                                QCoreApplication::applicationDirPath());
    program.prepare();

    // The viewer first, while the program is fresh; a small course.
    makeCourse(program.workingFolder(), 0);
    const QString small = scratch.filePath(u"small"_s);
    exportTo(distribution::ExportSource::forProgramFolder(program), small, true);
    timeViewer(small, programStart, runsSet ? runs : 20);

    removePath(program.workingFolder());
    makeCourse(program.workingFolder(), options.value(u"size-mb"_s).toLongLong());
    compareExport(program, scratch.path(), runs);
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    const auto programStart = koa::bench::Clock::now();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return koa::bench::benchMain<QApplication>(argc, argv, "koa.*.debug=false",
                                               [&] { return koa::bench::run(programStart); });
}
