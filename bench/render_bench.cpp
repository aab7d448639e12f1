// How long the renderer takes for what the author and the learner do most: a
// page, the next page, a page link, the course menu and the glossary, on a
// large course. Every click in the preview waits for one of these. A report,
// not a gate: it fails only when something errors.
#include "render/renderer.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/schema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace koa::bench {
namespace {

using Clock = std::chrono::steady_clock;

// A page view the learner waits for; past this a click feels slow.
constexpr double PageLimitMs = 50.0;
// The glossary and the menu are opened now and then.
constexpr double ListLimitMs = 200.0;

// The renderer's host without a browser: it only counts what it is asked.
class CountingHost : public render::RenderHost {
public:
    void navigate(const QString&) override { ++calls; }
    void navigateFrame(const QString&, const QString&) override { ++calls; }
    void runScript(const QString&) override { ++calls; }
    int calls = 0;
};

struct Shape {
    int modules = 40;
    int pages = 50; // per module
    int keywords = 2000;
};

// A course of `shape`: every page has a name, a text of about 2 KB, a picture
// and every fifth one an index tab.
void writeCourse(const QString& folder, const Shape& shape) {
    schema::createBlankCourse(folder);
    Database db(folder + u"/koa.kod"_s);
    db.begin();
    db.exec(u"DELETE FROM data"_s);
    db.exec(u"UPDATE header SET title = 'Seamanship', author = 'Bench', skin = 'Classic'"_s);
    const QString words =
        u"A bowline makes a fixed loop at the end of a line. <b>Tie it</b> with the "
        "working end through the loop, round the standing part and back down.<br>"_s.repeated(10);
    qint64 index = 0;
    auto row = [&](const QString& type, const QString& name) {
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {type, name, index++});
    };
    for (int m = 0; m < shape.modules; ++m) {
        row(u"modules"_s, u"Module %1"_s.arg(m + 1));
        for (int p = 0; p < shape.pages; ++p) {
            const QString page = u"Page %1-%2"_s.arg(m + 1).arg(p + 1);
            const QString text = u"Text %1-%2"_s.arg(m + 1).arg(p + 1);
            row(u"pages"_s, page);
            db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, '', ?)"_s,
                    {page, p % 5 == 0 ? page : QString()});
            row(u"texts"_s, text);
            db.exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s, {text, words});
            row(u"pictures"_s, u"Knot"_s);
        }
    }
    db.exec(u"INSERT INTO pictures (name, filename, size, width, height, alignment, float, "
            "caption) VALUES ('Knot', '1.gif', 1, 40, 30, 'left', 0, 'A knot')"_s);
    for (int k = 0; k < shape.keywords; ++k)
        db.exec(
            u"INSERT INTO keywords (name, desc) VALUES (?, ?)"_s,
            {u"Word %1"_s.arg(k, 5, 10, QChar(u'0')), u"What word %1 means on board."_s.arg(k)});
    db.commit();
}

struct Result {
    double medianMs = 0;
    double worstMs = 0;
};

Result measure(int runs, const std::function<void()>& step) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        step();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void report(const char* what, const Result& r, double limitMs) {
    std::printf("%-34s median %8.2f ms   worst %8.2f ms   %s (limit %.0f ms)\n", what, r.medianMs,
                r.worstMs, r.medianMs <= limitMs ? "PASS" : "SLOW", limitMs);
}

int run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times the course renderer on a large course."_s);
    parser.addHelpOption();
    const QCommandLineOption modulesOption(u"modules"_s, u"Modules (default 40)."_s, u"N"_s);
    const QCommandLineOption pagesOption(u"pages"_s, u"Pages per module (default 50)."_s, u"N"_s);
    const QCommandLineOption keywordsOption(u"keywords"_s, u"Keywords (default 2000)."_s, u"N"_s);
    const QCommandLineOption runsOption(u"runs"_s, u"Runs per step (default 30)."_s, u"N"_s);
    parser.addOptions({modulesOption, pagesOption, keywordsOption, runsOption});
    parser.process(arguments);
    Shape shape;
    if (parser.isSet(modulesOption))
        shape.modules = std::max(2, parser.value(modulesOption).toInt());
    if (parser.isSet(pagesOption))
        shape.pages = std::max(2, parser.value(pagesOption).toInt());
    if (parser.isSet(keywordsOption))
        shape.keywords = std::max(0, parser.value(keywordsOption).toInt());
    const int runs = parser.isSet(runsOption) ? std::max(1, parser.value(runsOption).toInt()) : 30;

    // The program folder: the course in temp/, the shipped templates and skins.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 1;
    }
    const QString root = scratch.filePath(u"koa"_s);
    const QString shipped = QCoreApplication::applicationDirPath();
    QDir().mkpath(root);
    for (const QString& folder : {u"includes"_s, u"skins"_s}) {
        if (!QFileInfo::exists(shipped + u'/' + folder) ||
            !QFile::link(shipped + u'/' + folder, root + u'/' + folder)) {
            std::fprintf(stderr, "the shipped folder %s is missing beside this program\n",
                         qPrintable(folder));
            return 1;
        }
    }
    const auto made = Clock::now();
    writeCourse(root + u"/temp"_s, shape);
    std::printf("course: %d modules x %d pages, %d keywords, written in %.1f s\n", shape.modules,
                shape.pages, shape.keywords,
                std::chrono::duration<double>(Clock::now() - made).count());

    int errors = 0;
    setErrorSink([&errors](const ErrorReport& r) {
        ++errors;
        std::fprintf(stderr, "%s: %s\n", qPrintable(r.location), qPrintable(r.description));
    });
    CountingHost host;
    render::Renderer renderer(host, root);
    render::RenderState& state = renderer.state();
    state.previewMode = u"module"_s;
    auto show = [&](int module, int page) {
        state.moduleNumber = module;
        state.pageNumber = page;
        renderer.ShowPage();
    };

    report("first page", measure(runs, [&] { show(0, 0); }), PageLimitMs);
    report("a page in the middle", measure(runs, [&] { show(shape.modules / 2, shape.pages / 2); }),
           PageLimitMs);
    report("last page of the last module",
           measure(runs, [&] { show(shape.modules - 1, shape.pages - 1); }), PageLimitMs);
    show(shape.modules - 1, 0);
    report("next page (\"forward\")",
           measure(runs,
                   [&] {
                       state.previewMode = u"module"_s;
                       if (state.pageNumber >= shape.pages - 1)
                           state.pageNumber = 0;
                       renderer.HandleInput(u"forward"_s);
                   }),
           PageLimitMs);
    const QString lastPage = u"go*Page %1-%2"_s.arg(shape.modules).arg(shape.pages);
    report("page link to the last page", measure(runs, [&] { renderer.HandleInput(lastPage); }),
           PageLimitMs);
    report("keyword description",
           measure(runs,
                   [&] {
                       renderer.HandleInput(
                           u"keyword*Word %1"_s.arg(shape.keywords - 1, 5, 10, QChar(u'0')));
                   }),
           PageLimitMs);
    report("course menu", measure(runs, [&] { renderer.ShowMenu(); }), ListLimitMs);
    report("glossary", measure(runs, [&] { renderer.glossary(); }), ListLimitMs);
    std::printf("host calls: %d\n", host.calls);
    setErrorSink({});
    if (errors > 0) {
        std::fprintf(stderr, "%d errors reported\n", errors);
        return 1;
    }
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // The renderer tells every page it renders; here only the times count.
    QLoggingCategory::setFilterRules(u"koa.*.debug=false"_s);
    return koa::bench::run(app.arguments());
}
