// How long the renderer takes for what the author and the learner do most: a
// page, the next page, a page link, the course menu and the glossary, on a
// large course. Every click in the preview waits for one of these. A report,
// not a gate: it fails only when something errors.
#include "bench/bench.h"
#include "render/renderer.h"
#include "store/database.h"
#include "store/schema.h"

namespace koa::bench {
namespace {

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

// A course of `modules` x `pages`: every page has a name, a text of about
// 2 KB, a picture and every fifth one an index tab; and `keywords` keywords.
void writeCourse(const QString& folder, int modules, int pages, int keywords) {
    schema::createBlankCourse(folder);
    Database db(folder + u"/koa.kod"_s);
    db.begin();
    db.exec(u"DELETE FROM data"_s);
    db.exec(u"UPDATE header SET title = 'Seamanship', author = 'Bench', skin = 'Classic'"_s);
    const QString words =
        u"A bowline makes a fixed loop at the end of a line. <b>Tie it</b> with the "
        "working end through the loop, round the standing part and back down.<br>"_s.repeated(10);
    qint64 index = 0;
    const auto row = [&](const QString& type, const QString& name) {
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {type, name, index++});
    };
    for (int m = 1; m <= modules; ++m) {
        row(u"modules"_s, u"Module %1"_s.arg(m));
        for (int p = 1; p <= pages; ++p) {
            const QString page = u"Page %1-%2"_s.arg(m).arg(p);
            const QString text = u"Text %1-%2"_s.arg(m).arg(p);
            row(u"pages"_s, page);
            db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, '', ?)"_s,
                    {page, p % 5 == 1 ? page : QString()});
            row(u"texts"_s, text);
            db.exec(u"INSERT INTO texts (name, text) VALUES (?, ?)"_s, {text, words});
            row(u"pictures"_s, u"Knot"_s);
        }
    }
    db.exec(u"INSERT INTO pictures (name, filename, size, width, height, alignment, float, "
            "caption) VALUES ('Knot', '1.gif', 1, 40, 30, 'left', 0, 'A knot')"_s);
    for (int k = 0; k < keywords; ++k)
        db.exec(
            u"INSERT INTO keywords (name, desc) VALUES (?, ?)"_s,
            {u"Word %1"_s.arg(k, 5, 10, QChar(u'0')), u"What word %1 means on board."_s.arg(k)});
    db.commit();
}

int run() {
    const QCommandLineParser& parser =
        parseOptions(u"Times the course renderer on a large course."_s,
                     {{u"modules"_s, u"Modules (default 40)."_s, u"N"_s, u"40"_s},
                      {u"pages"_s, u"Pages per module (default 50)."_s, u"N"_s, u"50"_s},
                      {u"keywords"_s, u"Keywords (default 2000)."_s, u"N"_s, u"2000"_s},
                      {u"runs"_s, u"Runs per step (default 30)."_s, u"N"_s, u"30"_s}});
    const auto number = [&](const QString& name, int least) {
        return std::max(least, parser.value(name).toInt());
    };
    const int modules = number(u"modules"_s, 2), pages = number(u"pages"_s, 2);
    const int keywords = number(u"keywords"_s, 0), runs = number(u"runs"_s, 1);

    // The program folder: the course in temp/, the shipped templates and skins.
    const Scratch scratch;
    const QString shipped = QCoreApplication::applicationDirPath();
    for (const QString& folder : {u"includes"_s, u"skins"_s}) {
        if (!QFileInfo::exists(shipped + u'/' + folder) ||
            !QFile::link(shipped + u'/' + folder, scratch.filePath(folder)))
            fail(u"the shipped folder "_s + folder + u" is missing beside this program"_s);
    }
    const double written =
        secondsOf([&] { writeCourse(scratch.filePath(u"temp"_s), modules, pages, keywords); });
    std::printf("course: %d modules x %d pages, %d keywords, written in %.1f s\n", modules, pages,
                keywords, written);

    int errors = 0;
    setErrorSink([&errors](const ErrorReport& r) {
        ++errors;
        std::fprintf(stderr, "%s: %s\n", qPrintable(r.location), qPrintable(r.description));
    });
    CountingHost host;
    render::Renderer renderer(host, scratch.path());
    render::RenderState& state = renderer.state();
    state.previewMode = u"module"_s;
    const auto time = [&](const char* what, double limitMs, const std::function<void()>& step) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i)
            ms.push_back(1000 * secondsOf(step));
        reportSpread(34, what, ms, limitMs, false);
    };
    const auto show = [&](int module, int page) {
        return [&, module, page] {
            state.moduleNumber = module;
            state.pageNumber = page;
            renderer.ShowPage();
        };
    };
    time("first page", PageLimitMs, show(0, 0));
    time("a page in the middle", PageLimitMs, show(modules / 2, pages / 2));
    time("last page of the last module", PageLimitMs, show(modules - 1, pages - 1));
    show(modules - 1, 0)();
    time("next page (\"forward\")", PageLimitMs, [&] {
        state.previewMode = u"module"_s;
        if (state.pageNumber >= pages - 1)
            state.pageNumber = 0;
        renderer.HandleInput(u"forward"_s);
    });
    const QString link = u"go*Page %1-%2"_s.arg(modules).arg(pages);
    time("page link to the last page", PageLimitMs, [&] { renderer.HandleInput(link); });
    const QString word = u"keyword*Word %1"_s.arg(keywords - 1, 5, 10, QChar(u'0'));
    time("keyword description", PageLimitMs, [&] { renderer.HandleInput(word); });
    time("course menu", ListLimitMs, [&] { renderer.ShowMenu(); });
    time("glossary", ListLimitMs, [&] { renderer.glossary(); });
    std::printf("host calls: %d\n", host.calls);
    setErrorSink({});
    if (errors > 0)
        fail(QString::number(errors) + u" errors reported"_s);
    return 0;
}

} // namespace
} // namespace koa::bench

int main(int argc, char* argv[]) {
    // The renderer tells every page it renders; here only the times count.
    return koa::bench::benchMain<QCoreApplication>(argc, argv, "koa.*.debug=false",
                                                   koa::bench::run);
}
