// Exporting a course and playing it in the viewer: the export next to cp -r
// of the same folders on the same disk, the viewer's title page after its
// start and its pages after a command. A report, not a gate: it fails only
// when something errors.
#include "bench/randomfile.h"
#include "distribution/export.h"
#include "render/browser.h"
#include "render/confinement.h"
#include "store/database.h"
#include "store/programfolder.h"
#include "store/schema.h"
#include "viewer/viewer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEnginePage>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double RatioLimit = 1.5;
constexpr double TitleLimitMs = 1500;
constexpr double PageLimitMs = 150;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toLocal8Bit().toStdString());
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A course of two pages, a keyword and a quiz in `folder`, with `mb` MB of
// incompressible media: movies of 8 MB and pictures of 1 MB.
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
    const QStringList layout = {u"modules:Harbour"_s, u"pages:Quay"_s, u"texts:Hello"_s,
                                u"pages:Dock"_s, u"quizes:Knots"_s};
    for (int i = 0; i < layout.size(); ++i)
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {layout[i].section(u':', 0, 0), layout[i].section(u':', 1), i});
    std::mt19937_64 random(17);
    qint64 left = mb;
    for (int n = 0; left > 0; ++n) {
        const bool movie = n % 2 == 0 && left >= 8;
        const qint64 size = movie ? 8 : 1;
        const QString file = folder + (movie ? u"/movies/"_s : u"/pictures/"_s) +
                             QString::number(n) + (movie ? u".mp4"_s : u".jpg"_s);
        if (!bench::writeRandomFile(file, size, random))
            fail(u"cannot write "_s + file);
        left -= size;
    }
}

// Best of `runs`, each after the previous output is removed and flushed.
double best(int runs, const std::function<void()>& clean, const std::function<void()>& job) {
    double out = 1e300;
    for (int i = 0; i < runs; ++i) {
        clean();
        ::sync();
        const auto start = Clock::now();
        job();
        out = std::min(out, msSince(start));
    }
    return out;
}

void compareExport(const ProgramFolder& program, const QString& scratch, int runs) {
    const distribution::ExportSource source = distribution::ExportSource::forProgramFolder(program);
    const QString ours = scratch + u"/ours"_s;
    const QString theirs = scratch + u"/theirs"_s;
    const auto clean = [&] {
        QDir(ours).removeRecursively();
        QDir(theirs).removeRecursively();
    };
    const double exported = best(runs, clean, [&] {
        const auto made = distribution::exportCourse(source, ours, false);
        if (made.result != distribution::ExportOutcome::Result::Done)
            fail(u"export failed: "_s + made.detail);
    });
    const auto cp = [](const QStringList& args) {
        if (QProcess::execute(u"cp"_s, args) != 0)
            fail(u"cp "_s + args.join(u' ') + u" failed"_s);
    };
    // The shipped folders are links in the program folder: cp -r would copy
    // the links and then write through them into the build.
    const auto real = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        if (resolved.isEmpty())
            fail(u"missing "_s + path);
        return resolved;
    };
    const QString templateFolder = real(source.templateFolder);
    const QString skin = real(source.skinsFolder + u"/Classic"_s);
    const double copied = best(runs, clean, [&] {
        cp({u"-r"_s, templateFolder, theirs});
        cp({u"-r"_s, real(source.workingFolder), theirs + u"/temp"_s});
        QDir().mkpath(theirs + u"/skins"_s);
        cp({u"-r"_s, skin, theirs + u"/skins/Classic"_s});
    });
    const double ratio = exported / copied;
    std::printf("export  ours %8.3f s   cp -r %8.3f s   ratio %.2f  %s (limit %.2f)\n",
                exported / 1000, copied / 1000, ratio, ratio <= RatioLimit ? "PASS" : "SLOW",
                RatioLimit);
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

void report(const char* what, std::vector<double> ms, double limit) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-26s median %8.2f ms   worst %8.2f ms   %s (limit %.0f ms)\n", what,
                ms[ms.size() / 2], ms.back(), ms.back() <= limit ? "PASS" : "SLOW", limit);
}

void timeViewer(const QString& exported, Clock::time_point programStart, int runs) {
    render::Browser::setConfinement(
        render::Confinement::forProgramFolder(ProgramFolder(exported, exported)));
    viewer::viewer window(exported, [](int) {});
    window.Form_Load();
    QWebEnginePage* page = window.WebBrowser1->page();
    const auto shows = [](const QString& text) {
        return [text](const QString& shown) {
            return shown.contains(text);
        };
    };
    if (!waitForText(page, shows(u"Harbour course"_s)))
        fail(u"the title page did not show"_s);
    const double title = msSince(programStart);
    std::printf("%-26s %8.2f ms after the start   %s (limit %.0f ms)\n", "title page", title,
                title <= TitleLimitMs ? "PASS" : "SLOW", TitleLimitMs);

    const auto command = [&](const QString& text, const std::function<bool(const QString&)>& done) {
        const auto start = Clock::now();
        page->runJavaScript(u"window.status = '"_s + text + u"'; true"_s);
        if (!waitForText(page, done))
            fail(u"no page after "_s + text);
        return msSince(start);
    };
    // The command's view has loaded, not only a frame of the one before.
    render::RenderState& state = window.renderer().state();
    const auto settled = [&](const QString& mode, const QString& text) {
        return [&state, &window, mode, text](const QString& shown) {
            return state.previewMode == mode && state.documentLoaded &&
                   window.WebBrowser1->readyState() == render::Browser::Complete &&
                   shown.contains(text);
        };
    };
    const QString first = u"Welcome on the quay"_s;
    const QString second = u"Is a bowline a knot?"_s;
    std::vector<double> menu, module, forward;
    for (int i = 0; i < runs; ++i) {
        menu.push_back(command(u"home"_s, settled(u"menu"_s, u"Harbour"_s)));
        module.push_back(command(u"module*0"_s, settled(u"module"_s, first)));
        forward.push_back(command(u"forward"_s, settled(u"module"_s, second)));
    }
    report("menu after \"home\"", menu, PageLimitMs);
    report("page after \"module*0\"", module, PageLimitMs);
    report("page after \"forward\"", forward, PageLimitMs);
}

int run(QApplication& app, Clock::time_point programStart) {
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({u"size-mb"_s, u"Media in the exported course (300)."_s, u"N"_s, u"300"_s});
    options.addOption({u"runs"_s, u"Timed runs per side (3) and commands (20)."_s, u"N"_s});
    options.addOption({u"dir"_s, u"Scratch folder inside FOLDER."_s, u"FOLDER"_s});
    options.process(app);
    const int runs = options.isSet(u"runs"_s) ? options.value(u"runs"_s).toInt() : 3;
    QTemporaryDir scratch((options.isSet(u"dir"_s) ? options.value(u"dir"_s) : QDir::tempPath()) +
                          u"/koa-bench-XXXXXX"_s);
    if (!scratch.isValid())
        fail(u"no scratch folder"_s);
    const ProgramFolder program(scratch.filePath(u"root"_s),
                                QCoreApplication::applicationDirPath());
    program.prepare();

    // The viewer first, while the program is fresh; a small course.
    makeCourse(program.workingFolder(), 0);
    const QString small = scratch.filePath(u"small"_s);
    if (distribution::exportCourse(distribution::ExportSource::forProgramFolder(program), small,
                                   true)
            .result != distribution::ExportOutcome::Result::Done)
        fail(u"the small export failed"_s);
    timeViewer(small, programStart, options.isSet(u"runs"_s) ? runs : 20);

    QDir(program.workingFolder()).removeRecursively();
    makeCourse(program.workingFolder(), options.value(u"size-mb"_s).toLongLong());
    compareExport(program, scratch.path(), runs);
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    const auto programStart = koa::bench::Clock::now();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(u"koa.*.debug=false"_s);
    try {
        return koa::bench::run(app, programStart);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "koa-bench-export: %s\n", e.what());
        return 1;
    }
}
