// Every shipped skin, showing what the renderer makes of a real course in the
// real browser: the files its documents name are shipped, and the title page,
// the menu and the pages answer the learner and lead through the course.
#include "render/browser.h"
#include "render/browserhost.h"
#include "render/closepreview.h"
#include "render/confinement.h"
#include "render/menuwriter.h"
#include "render/renderer.h"
#include "store/database.h"
#include "tests/support/helpers.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/samplecourse.h"
#include "tests/support/testsupport.h"

#include <tuple>

#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::render;
using namespace koa::test;

namespace {

constexpr int Timeout = 15000;
const QString Display = u"frames.display.document"_s;
const QString Engine = u"frames.engine.document"_s;

QString shipped(const QString& relative) {
    return QCoreApplication::applicationDirPath() + u'/' + relative;
}

QStringList shippedSkins() {
    return QString::fromUtf8(KOA_SHIPPED_SKINS).split(u',');
}

// The addresses of every frame's document, pictures (the menu's roll-over
// pictures too), style sheets and frames.
const QString NamedFiles = inEveryFrame(uR"(out.push(d.URL);
    each.call(d.images, function (i) { out.push(i.src); });
    [].concat(w.activeCache || [], w.passiveCache || []).forEach(function (i) { out.push(i.src); });
    each.call(d.querySelectorAll('frame'), function (f) { out.push(f.src); });
    each.call(d.styleSheets, function sheet(s) {
        out.push(s.href || '');
        each.call(s.cssRules, function (r) { if (r.styleSheet) sheet(r.styleSheet); });
    });)"_s);

const QString FrameNames = u"Array.prototype.map.call(document.querySelectorAll('frame'), "
                           u"function (f) { return f.name; }).sort().join()"_s;

class SkinTest : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        writeSampleCourse(m_program.folder().workingFolder(), GetParam());

        render::Browser::setConfinement(render::Confinement::forProgramFolder(m_program.folder()));
        // As the preview does: a loaded frameset gets the screen of its mode.
        m_host.setRenderer(&m_renderer);
        m_host.setAbout([this] { ++m_abouts; });
        QObject::connect(&m_browser, &Browser::documentComplete, &m_browser, [this](bool ok) {
            m_renderer.state().documentLoaded = true;
            if (ok)
                m_renderer.renderCurrent();
        });
        m_browser.resize(1024, 768);
        m_browser.show();
    }
    void TearDown() override {
        EXPECT_EQ(m_warnings.texts(), QStringList());
        for (const ErrorReport& report : m_errors.reports())
            ADD_FAILURE() << report.location.toStdString() << ": "
                          << report.description.toStdString();
    }

    void open(const QString& mode, int page = 0, int module = 0) {
        m_renderer.state().previewMode = mode;
        m_renderer.state().moduleNumber = module;
        m_renderer.state().pageNumber = page;
        m_renderer.Initiate();
    }
    ::testing::AssertionResult opened(const QString& mode, int page, int module,
                                      const QString& text) {
        open(mode, page, module);
        return shows(text);
    }
    // A third module of 25 pages, their tabs named `tab` and their numbers.
    void addLongModule(const QString& tab) {
        Database db(m_program.folder().workingDatabase());
        QStringList rows{u"modules:Long"_s};
        for (int i = 1; i <= 25; ++i) {
            db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, '', ?)"_s,
                    {u"Long %1"_s.arg(i), u"%1 %2"_s.arg(tab).arg(i)});
            rows << u"pages:Long %1"_s.arg(i) << u"texts:Only"_s;
        }
        addLayout(m_program.folder().workingDatabase(), rows);
    }
    QString run(const QString& js) { return evalIn(m_browser.page(), js); }
    bool click(const QString& selector) { return clickOnce(m_browser.page(), selector, Timeout); }
    ::testing::AssertionResult holds(const QString& js) {
        // the screen may be changing: no frame is taken for granted
        const QString guarded = u"(function () { try { return String("_s + js +
                                u"); } catch (e) { return String(e); } })()"_s;
        QString last;
        if (waitUntil([&] { return (last = run(guarded)) == u"true"_s; }, Timeout))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << js.toStdString() << " gave " << last.toStdString();
    }
    ::testing::AssertionResult shows(const QString& text) {
        QString screen;
        if (waitUntil([&] { return (screen = run(everyFrameText())).contains(text); }, Timeout))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the screen shows: " << screen.toStdString();
    }
    // The status texts that `js` makes the pages assign.
    QStringList statusOf(const QString& js) {
        const qsizetype before = m_status.size();
        run(js);
        // the texts travel through the event loop; a marker closes the round
        run(u"frames[0].status = 'end of round'"_s);
        const auto ended = [&] {
            return m_status.last().at(0).toString() == u"end of round"_s;
        };
        waitUntil([&] { return m_status.size() > before && ended(); }, Timeout);
        QStringList texts;
        for (qsizetype i = before; i < m_status.size() - 1; ++i)
            texts.append(m_status.at(i).at(0).toString());
        return texts;
    }
    // The address handed outside the course after the first `before` ones.
    QUrl outside(qsizetype before) {
        if (!waitUntil([&] { return m_external.size() > before; }, Timeout))
            return {};
        return m_external.last().at(0).toUrl();
    }

    BrowserWarnings m_warnings;
    ErrorRecorder m_errors;
    TempProgramFolder m_program;
    Browser m_browser;
    BrowserHost m_host{m_browser};
    Renderer m_renderer{m_host, m_program.folder().root()};
    QSignalSpy m_status{&m_browser, &Browser::statusTextChange};
    QSignalSpy m_external{&m_browser, &Browser::externalLinkRequested};
    int m_abouts = 0;
};

TEST(ShippedSkins, EverySkinFolderIsListedInTheSettings) {
    const QStringList folders =
        QDir(shipped(u"skins"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(rowsOf(shipped(u"data/data.kod"_s), u"SELECT name FROM skins ORDER BY name"_s),
              folders);
    EXPECT_EQ(shippedSkins(), folders); // one test instance each
}

TEST_P(SkinTest, EveryFileTheCourseNamesIsShipped) {
    // The title page, the menu with scroll buttons, and the first and last
    // page of a module: between them every state of the index tabs.
    const std::tuple<QString, int, QString> screens[] = {{u"header"_s, 0, u"Mara"_s},
                                                         {u"menu"_s, 0, u"Quay"_s},
                                                         {u"module"_s, 0, u"Welcome aboard"_s},
                                                         {u"module"_s, 2, u"Ropes and sails"_s}};
    QSet<QString> named;
    const QString root = m_renderer.state().programPath + u'/';
    for (const auto& [mode, page, text] : screens) {
        ASSERT_TRUE(opened(mode, page, 0, text));
        for (const QString& address : run(NamedFiles).split(u'\n')) {
            const QString file = QUrl(address).adjusted(QUrl::RemoveFragment).toLocalFile();
            if (file.startsWith(root) && !file.startsWith(root + u"temp/"_s))
                named.insert(file.mid(root.size()));
        }
    }
    QStringList files(named.begin(), named.end());
    files.sort();
    for (const QString& file : files) {
        const QByteArray bytes = readFile(m_program.path(file));
        EXPECT_FALSE(bytes.isEmpty()) << file.toStdString();
        EXPECT_TRUE(!file.endsWith(u".gif"_s) || bytes.startsWith("GIF89a") ||
                    bytes.startsWith("GIF87a"))
            << file.toStdString();
    }
    // So the walk above misses nothing: it names every file of the skin but
    // the templates the renderer copies into its documents.
    const QString skin = u"skins/"_s + GetParam() + u'/';
    QStringList inSkin;
    for (const QString& name : QDir(shipped(skin)).entryList(QDir::Files, QDir::Name))
        if (!name.endsWith(u".inc"_s))
            inSkin << skin + name;
    EXPECT_EQ(files.filter(skin), inSkin);
    // The renderer rewrites every <br> of a page document, script included.
    for (const QString& file :
         {u"includes/page1.inc"_s, u"includes/page2.inc"_s, u"includes/page3.inc"_s,
          u"includes/page4.inc"_s, skin + u"tab1.inc"_s, skin + u"tab2.inc"_s})
        EXPECT_FALSE(readFile(shipped(file)).contains("<br>")) << file.toStdString();
}

TEST_P(SkinTest, TitlePageMenuAndPagesLeadThroughTheCourse) {
    // The title page: a frameset of its own, styled, and the about box.
    ASSERT_TRUE(opened(u"header"_s, 0, 0, u"Mara"_s));
    EXPECT_EQ(run(FrameNames), u"display"_s);
    EXPECT_EQ(run(Display + u".title"_s), u"Sailing"_s);
    EXPECT_TRUE(holds(Display + u".styleSheets.length > 0 && "_s + Display +
                      u".styleSheets[0].cssRules.length > 0"_s));
    EXPECT_TRUE(click(u"[data-command=about]"_s));
    EXPECT_TRUE(waitUntil([&] { return m_abouts == 1; }, Timeout));

    // The menu behind its start: scroll buttons as asked for.
    EXPECT_TRUE(click(u".koa-start"_s));
    ASSERT_TRUE(holds(Display + u".querySelectorAll('tr.koa-module').length === 2"_s));
    EXPECT_EQ(run(FrameNames), u"display"_s);
    EXPECT_EQ(run(Display + u".querySelectorAll('.koa-scroll button').length + ' ' + "_s + Display +
                  u".querySelector('.koa-start').hidden"_s),
              u"2 true"_s);
    // Roll-over by mouse; every picture of the menu and of its roll-over exists.
    const QString second = Display + u".querySelectorAll('tr.koa-module')[1]"_s;
    run(second + u".dispatchEvent(new MouseEvent('mouseover'))"_s);
    EXPECT_TRUE(run(Display + u".images.p1.src"_s).endsWith(u"/2_over.gif"_s));
    run(second + u".dispatchEvent(new MouseEvent('mouseout'))"_s);
    EXPECT_TRUE(run(Display + u".images.p1.src"_s).endsWith(u"/2.gif"_s));
    EXPECT_TRUE(holds(u"(function (w) { var all = Array.prototype.slice.call(w.document.images)"
                      u".concat(w.activeCache, w.passiveCache); return all.every(function (i) { "
                      u"return i.complete && i.naturalWidth > 0; }); })(frames.display)"_s));

    // The keyboard opens a module as the mouse does. A single page: nothing
    // before it, and the step after it finishes the module.
    run(second + u".dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'}))"_s);
    ASSERT_TRUE(shows(u"Only page"_s));
    EXPECT_EQ(run(u"Array.prototype.map.call("_s + Engine +
                  u".querySelectorAll('.koa-nav button'), function (b) { "
                  u"return b.disabled ? '-' : b.textContent; }).join()"_s),
              u"-,-,Finish,-"_s);
    EXPECT_EQ(run(u"frames.upper.document.querySelectorAll('a').length"_s), u"0"_s);
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(holds(Display + u".querySelectorAll('tr.koa-module').length === 2"_s));
    EXPECT_TRUE(click(u"tr.koa-module"_s));
    EXPECT_TRUE(shows(u"Welcome aboard"_s));

    // The first module's first page, then Next: the quiz page.
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(shows(u"Which knots hold?"_s));
    EXPECT_EQ(run(FrameNames), u"display,engine,info,upper"_s);

    // The buttons of the page, each a command word for the program (which is
    // not told here: none of them may change the page under the clicks).
    m_host.setRenderer(nullptr);
    EXPECT_EQ(statusOf(u"Array.prototype.forEach.call("_s + Engine +
                       u".querySelectorAll('[data-command]'), function (b) { b.click(); })"_s),
              u"home||glossary||about||exit||fastbackward||backward||forward||fastforward|"_s.split(
                  u'|'));
    m_host.setRenderer(&m_renderer);
    EXPECT_EQ(
        run(u"Array.prototype.every.call("_s + Engine +
            u".querySelectorAll('button'), function (b) { return b.title && b.textContent.trim(); })"_s),
        u"true"_s);
    EXPECT_EQ(run(u"frames.upper.document.querySelectorAll('a').length + ' ' + "
                  u"frames.upper.document.querySelector('a[aria-current]').textContent"_s),
              u"3 Quiz"_s);
    EXPECT_EQ(run(u"frames.info.document.body.textContent"_s), u"Module 1 of 2Page 2 of 3"_s);

    // The quiz: right only when every box matches its statement.
    const QString quiz = Display + u".querySelector('form.koa-quiz')"_s;
    const QString check = quiz + u".querySelector('.koa-check').click(); "_s + quiz +
                          u".querySelector('.koa-feedback').className"_s;
    EXPECT_EQ(run(u"Array.prototype.map.call("_s + quiz +
                  u".querySelectorAll('label'), function (l) { return l.textContent; }).join()"_s),
              u"Bowline,Granny,Reef"_s);
    run(quiz + u".box0.checked = true; "_s + quiz + u".box2.checked = true"_s);
    EXPECT_EQ(run(check), u"koa-feedback koa-right"_s);
    run(quiz + u".querySelectorAll('label')[1].click()"_s);
    EXPECT_EQ(run(check), u"koa-feedback koa-wrong"_s);

    EXPECT_TRUE(click(u"[data-command=backward]"_s));
    ASSERT_TRUE(shows(u"Welcome aboard"_s));
    // The movie player becomes a video that waits for the learner; the sound plays.
    EXPECT_EQ(
        run(u"(function (d) { var v = d.querySelector('video'), a = d.querySelector('audio'); "
            u"return [v.controls, v.autoplay, v.width, v.height, v.src.split('/').pop(), "
            u"a.autoplay, a.src.split('/').pop(), d.querySelectorAll('object, embed').length]"
            u".join(); })("_s +
            Display + u")"_s),
        u"true,false,320,240,3.mp4,true,2.wav,0"_s);

    // What opens outside the course on the learner's click: the web page
    // without the program, the document and the glossary that the program names.
    const qsizetype opened = m_external.size();
    const qsizetype texts = m_status.size();
    ASSERT_TRUE(clickByHand(m_browser.page(), u"a[type=e]"_s));
    EXPECT_EQ(outside(opened), QUrl(u"http://www.example.org/forecast"_s));
    EXPECT_EQ(m_status.size(), texts);
    ASSERT_TRUE(clickByHand(m_browser.page(), u"a[type=d]"_s));
    EXPECT_EQ(outside(opened + 1), QUrl::fromLocalFile(m_program.path(u"temp/documents/5.pdf"_s)));
    ASSERT_TRUE(clickByHand(m_browser.page(), u"[data-command=glossary]"_s));
    EXPECT_EQ(outside(opened + 2), QUrl::fromLocalFile(m_renderer.glossaryFile()));

    // A keyword: its stored description, its apostrophe intact.
    EXPECT_TRUE(click(u"a[type=k]"_s));
    EXPECT_TRUE(holds(Display + u".querySelector('dialog[open] h2') !== null"_s));
    EXPECT_EQ(run(Display + u".querySelector('dialog[open] h2').textContent + '|' + "_s + Display +
                  u".querySelector('dialog[open] .koa-dialog-body').innerText"_s),
              u"Skipper's rule|One line\n<two>"_s);
    // A page link that leads nowhere: the message replaces the description,
    // and the page shown again keeps it.
    run(Display + u".documentElement.id = 'shown before'"_s);
    EXPECT_TRUE(click(u"a[onclick*=Nowhere]"_s));
    EXPECT_TRUE(holds(u"(function (d) { var m = d.querySelector('dialog[open] .koa-dialog-body'); "
                      u"return [d.documentElement.id, d.querySelectorAll('dialog').length, "
                      u"m && m.textContent].join('|'); })("_s +
                      Display + u") == '|1|The page this link referres to cannot be found.'"_s));

    // Page link, Next, index tab and Menu each lead where they say.
    EXPECT_TRUE(click(u"a[type=i]"_s));
    ASSERT_TRUE(shows(u"Which knots hold?"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(shows(u"Ropes and sails"_s));
    EXPECT_TRUE(click(u".koa-tabs a[onclick*=Start]"_s));
    ASSERT_TRUE(shows(u"Welcome aboard"_s));
    EXPECT_TRUE(click(u"[data-command=home]"_s));
    EXPECT_TRUE(holds(Display + u".querySelectorAll('tr.koa-module').length === 2"_s));

    // Seven modules: numbered boxes instead of pictures; no scroll buttons asked for.
    Database(m_program.folder().workingDatabase()).exec(u"UPDATE header SET menuscroll = 0"_s);
    QStringList rows;
    for (int i = 3; i <= 7; ++i)
        rows << u"modules:Module %1"_s.arg(i);
    addLayout(m_program.folder().workingDatabase(),
              rows << u"pages:Seventh"_s << u"texts:Seventh"_s);
    open(u"menu"_s);
    ASSERT_TRUE(holds(Display + u".querySelectorAll('tr.koa-module').length === 7"_s));
    EXPECT_EQ(run(Display + u".querySelectorAll('.koa-scroll').length"_s), u"0"_s);
    EXPECT_TRUE(click(u"tr.koa-module:last-child"_s));
    EXPECT_TRUE(shows(u"Seventh module"_s));
}

TEST_P(SkinTest, ObjectsShowAtTheirStoredSize) {
    // GIVEN every layout, with and without caption, each holding a picture
    // stored as 160x100 whose file is 160x96 and one wider than any sheet;
    // after the floating ones, movies and Flash beside captions.
    const QString work = m_program.folder().workingFolder();
    writeFile(work + u"/pictures/4.gif"_s, gifOf(160, 96));
    writeFile(work + u"/pictures/5.gif"_s, gifOf(1500, 500));
    Database db(m_program.folder().workingDatabase());
    std::vector<std::tuple<QString, int, int>> placed; // the side it shows on, its stored size
    QStringList rows{u"modules:Sizes"_s, u"pages:Sizes"_s};
    const auto add = [&](const QString& table, const QString& file, int width, int height,
                         const QString& alignment, int floating, const QString& caption,
                         const QString& side) {
        const QString name =
            u"%1 %2 %3 %4"_s.arg(rows.size()).arg(alignment).arg(floating).arg(caption);
        db.exec(u"INSERT INTO %1 (name, filename, width, height, alignment, \"float\", caption) "
                "VALUES (?, ?, ?, ?, ?, ?, ?)"_s.arg(table),
                {name, file, width, height, alignment, floating, caption});
        rows << table + u':' + name;
        placed.emplace_back(side, width, height);
    };
    const std::tuple<QString, int, QString> layouts[] = {
        {u"Left"_s, 0, u"left"_s}, {u"Center"_s, 0, u"centre"_s}, {u"Right"_s, 0, u"right"_s},
        {u""_s, 0, u"centre"_s},   {u"Left"_s, 1, u"left"_s},     {u"Right"_s, 1, u"right"_s}};
    for (const auto& [alignment, floating, side] : layouts)
        for (const QString& caption : {QString(), u"A caption"_s}) {
            add(u"pictures"_s, u"4.gif"_s, 160, 100, alignment, floating, caption, side);
            add(u"pictures"_s, u"5.gif"_s, 1500, 500, alignment, floating, caption, side);
        }
    add(u"movies"_s, u"3.mp4"_s, 320, 180, u"Left"_s, 0, u""_s, u"left"_s);
    add(u"movies"_s, u"3.mp4"_s, 1600, 900, u"Right"_s, 0, u"Wide"_s, u"right"_s);
    add(u"flash"_s, u"6.swf"_s, 300, 200, u"Right"_s, 0, u"Flash"_s, u"right"_s);
    addLayout(m_program.folder().workingDatabase(), rows);

    open(u"module"_s, 0, 2);
    ASSERT_TRUE(holds(Display +
                      u".querySelectorAll('.koa-sheet img').length == 24 && "
                      u"Array.prototype.every.call("_s +
                      Display + u".images, function (i) { return i.complete; })"_s));

    // THEN each object shows at its stored size on its side of the sheet, or,
    // wider than the sheet, fills it in its stored shape.
    const QStringList shown =
        run(u"(function (d) { var s = d.querySelector('.koa-sheet'), c = getComputedStyle(s); "
            u"var left = s.getBoundingClientRect().left + parseFloat(c.paddingLeft); "
            u"var room = s.clientWidth - parseFloat(c.paddingLeft) - parseFloat(c.paddingRight); "
            u"return [room].concat(Array.prototype.map.call(d.querySelectorAll("
            u"'.koa-sheet img, .koa-sheet video, .koa-sheet embed, .koa-sheet ruffle-embed'), "
            u"function (e) { "
            u"var r = e.getBoundingClientRect(), mid = r.left + r.width / 2 - left - room / 2; "
            u"return [r.width, r.height, Math.abs(mid) < 2 ? 'centre' : mid < 0 ? 'left' : "
            u"'right'].join(); })).join(' '); })("_s +
            Display + u")"_s)
            .split(u' ');
    ASSERT_EQ(shown.size(), qsizetype(placed.size()) + 1);
    const double room = shown.first().toDouble();
    for (size_t i = 0; i < placed.size(); ++i) {
        const auto& [side, width, height] = placed[i];
        const QStringList seen = shown.at(qsizetype(i) + 1).split(u',');
        SCOPED_TRACE(rows.at(qsizetype(i) + 2).toStdString() + " shows " +
                     seen.join(u',').toStdString());
        if (width <= room) {
            EXPECT_EQ(seen, QStringList({QString::number(width), QString::number(height), side}));
        } else {
            const double w = seen.at(0).toDouble();
            EXPECT_TRUE(w <= room && w >= room - 20);
            EXPECT_NEAR(seen.at(1).toDouble(), w * height / width, 1);
        }
    }
}

TEST_P(SkinTest, ALongTabStripShowsTheActiveTab) {
    addLongModule(u"Tab"_s);
    // The active tab lies inside the strip's visible part, and the strip inside its frame.
    const QString active = uR"((function (d) {
    var strip = d.querySelector('.koa-tabs'), s = strip.getBoundingClientRect();
    var t = d.querySelector('table[bgcolor]').getBoundingClientRect();
    var left = s.left + strip.clientLeft, top = s.top + strip.clientTop;
    return [d.querySelectorAll('.koa-tabs a').length, strip.scrollWidth > strip.clientWidth,
            t.left >= left && t.right <= left + strip.clientWidth && t.top >= top &&
            t.bottom <= top + strip.clientHeight && s.bottom <= d.defaultView.innerHeight,
            d.querySelector('a[aria-current]').textContent].join();
})(frames.upper.document))"_s;
    const auto expectTab = [&](const QString& tab) {
        // the strip settles once its style sheet and pictures have loaded
        const QString wanted = u"25,true,true,"_s + tab;
        waitUntil([&] { return run(active) == wanted; }, Timeout);
        EXPECT_EQ(run(active), wanted);
    };

    // WHEN the last page, the first (reached by its button) and one between are shown
    ASSERT_TRUE(opened(u"module"_s, 24, 2, u"Page 25 of 25"_s));
    expectTab(u"Tab 25"_s);
    EXPECT_TRUE(click(u"[data-command=fastbackward]"_s));
    ASSERT_TRUE(shows(u"Page 1 of 25"_s));
    expectTab(u"Tab 1"_s);
    ASSERT_TRUE(opened(u"module"_s, 12, 2, u"Page 13 of 25"_s));
    expectTab(u"Tab 13"_s);
}

// Script naming what the course shows in the rectangle from (%1, %2) to
// (%3, %4) of the browser, frame by frame: elements with a text, picture or
// box of their own, clipped by their frames and scrolled strips.
const QString PaintedIn = uR"((function (left, top, right, bottom) {
    var hits = [];
    (function visit(w, ox, oy) {
        var d = w.document;
        Array.prototype.forEach.call(d.querySelectorAll('body *'), function (e) {
            if (/^(FRAME|FRAMESET|IFRAME|SCRIPT|STYLE)$/.test(e.tagName) ||
                w.getComputedStyle(e).visibility === 'hidden')
                return;
            var own = !e.children.length || Array.prototype.some.call(e.childNodes, function (n) {
                return n.nodeType === 3 && n.data.trim();
            });
            if (!own)
                return;
            var r = e.getBoundingClientRect();
            var x1 = Math.max(r.left, 0), y1 = Math.max(r.top, 0);
            var x2 = Math.min(r.right, w.innerWidth), y2 = Math.min(r.bottom, w.innerHeight);
            for (var p = e.parentElement; p; p = p.parentElement) {
                if (w.getComputedStyle(p).overflowX === 'visible')
                    continue;
                var c = p.getBoundingClientRect();
                x1 = Math.max(x1, c.left); x2 = Math.min(x2, c.right);
                y1 = Math.max(y1, c.top); y2 = Math.min(y2, c.bottom);
            }
            if (x1 + ox < right && x2 + ox > left && y1 + oy < bottom && y2 + oy > top && x2 > x1 && y2 > y1)
                hits.push(e.tagName + '.' + e.className + ' ' + e.textContent.trim());
        });
        Array.prototype.forEach.call(d.querySelectorAll('frame, iframe'), function (f) {
            var r = f.getBoundingClientRect();
            visit(f.contentWindow, ox + r.left + f.clientLeft, oy + r.top + f.clientTop);
        });
    })(window, 0, 0);
    return hits.join(' | ');
})(%1, %2, %3, %4))"_s;

TEST_P(SkinTest, OnASmallScreenTheCloseWindowsCornerStaysFree) {
    // GIVEN the course full screen, as the preview shows it on a small
    // screen with its "Close" window in the top right corner
    const closePreview close([] {});
    m_browser.showFullScreen();
    ASSERT_TRUE(
        waitUntil([&] { return m_browser.geometry() == m_browser.screen()->geometry(); }, Timeout));
    const QRect corner(m_browser.mapFromGlobal(close.frameGeometry().topLeft()),
                       close.frameGeometry().size());
    ASSERT_LT(m_browser.width(), 1024);
    const QString free = PaintedIn.arg(corner.left())
                             .arg(corner.top())
                             .arg(corner.right() + 1)
                             .arg(corner.bottom() + 1);

    // WHEN the title page, the menu and the first and last page of a module
    // with tabs beyond the edge are shown, THEN nothing of them lies under
    // that window
    addLongModule(u"A longer tab"_s);
    const std::tuple<QString, int, QString> screens[] = {{u"header"_s, 0, u"Mara"_s},
                                                         {u"menu"_s, 0, u"Quay"_s},
                                                         {u"module"_s, 0, u"Page 1 of 25"_s},
                                                         {u"module"_s, 24, u"Page 25 of 25"_s}};
    for (const auto& [mode, page, text] : screens) {
        ASSERT_TRUE(opened(mode, page, 2, text));
        // the strip settles once its style sheet and pictures have loaded
        EXPECT_TRUE(holds(u"!frames.upper || frames.upper.document.readyState == 'complete'"_s));
        EXPECT_EQ(run(free), QString()) << mode.toStdString() << page;
    }
}

TEST_P(SkinTest, TheGlossaryTakesTheSkinsLook) {
    // GIVEN the glossary as the program writes it, linked to the skin's style sheet
    m_renderer.state().skin = GetParam();
    writeFile(m_renderer.glossaryFile(),
              MenuWriter(m_renderer.state(), {})
                  .glossary({{u"Bowline"_s, u"A loop that holds"_s},
                             {u"Halyardtensioningwinchhandle"_s, u"Hoists"_s}})
                  .toUtf8());
    Browser window;
    window.show();
    // WHEN it is shown wide and narrow, THEN it has the skin's colours, a
    // sans-serif letter, no cell borders of its own and no sideways scrolling.
    for (const int width : {760, 320}) {
        window.resize(width, 500);
        QSignalSpy loaded(&window, &Browser::documentComplete);
        window.navigate(m_renderer.glossaryFile());
        ASSERT_TRUE(loaded.wait(Timeout));
        EXPECT_EQ(evalIn(window.page(), uR"((function (d) {
    var body = getComputedStyle(d.body), cell = getComputedStyle(d.querySelector('td'));
    return [body.backgroundColor !== 'rgb(255, 255, 255)', /sans-serif$/.test(cell.fontFamily),
            cell.borderLeftWidth, d.documentElement.scrollWidth <= innerWidth].join();
})(document))"_s),
                  u"true,true,0px,true"_s)
            << width;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, SkinTest, ::testing::ValuesIn(shippedSkins().toVector()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

} // namespace
