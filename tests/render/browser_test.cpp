#include "render/browser.h"
#include "render/confinement.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"

#include <memory>
#include <optional>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using koa::render::Browser;
using koa::render::Confinement;
using koa::test::writeFile;

namespace {

constexpr int Timeout = 10000;

// A course frameset: "engine", "upper" and a nested frameset with "info" and
// "display". Each frame reports itself through window.status on load.
const QString Top = uR"(<html><frameset rows="*,*,*"><frame name="engine" src="engine.html">
<frame name="upper" src="upper.html"><frame name="lower" src="lower.html"></frameset></html>)"_s;
const QString Lower = uR"(<html><frameset cols="*,*"><frame name="info" src="info.html">
<frame name="display" src="display.html"></frameset></html>)"_s;
const QString Engine = uR"(<body><script>
window.status = 'engine loaded';
function greet(text) {
    window.status = 'greet ' + text;
    parent.upper.mark(text);
    window.status = 'done'; window.status = 'done';
}
function burst(n) {
    for (var i = 0; i < n; ++i) {
        window.status = 'engine ' + i;
        parent.upper.status = 'upper ' + i;
        parent.lower.info.status = 'info ' + i;
    }
}
function fill() {
    var frame = document.body.appendChild(document.createElement('iframe'));
    frame.contentDocument.write('<script>window.status = "made by script"<\/script>');
}
</script>)"_s;
const QString Upper = uR"(<body><script>window.status = 'upper loaded';
function mark(text) { document.body.textContent = text; window.status = 'upper ' + text; }
</script>)"_s;
const QString Info =
    u"<script>window.status = 'go*Page name'; window.status = 'go*Page name'</script>"_s;
const QString Display = uR"(<html><body>first display
<a id="web" href="https://example.invalid/page">web</a>
<a id="window" href="https://example.invalid/window" target="_blank">new window</a>
<a id="file" href="notes.zip">file</a></body></html>)"_s;

class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() { Browser::setConfinement(Confinement().allowFolder(m_dir.path())); }

    QString page(const QString& name, const QString& html) const {
        writeFile(m_dir.filePath(name), html.toUtf8());
        return m_dir.filePath(name);
    }
    QString frameset() const {
        page(u"lower.html"_s, Lower);
        page(u"engine.html"_s, Engine);
        page(u"upper.html"_s, Upper);
        page(u"info.html"_s, Info);
        page(u"display.html"_s, Display);
        writeFile(m_dir.filePath(u"notes.zip"_s), QByteArray("PK\x03\x04", 4));
        return page(u"top.html"_s, Top);
    }
    static bool waitUntil(const std::function<bool()>& condition) {
        return koa::test::waitUntil(condition, Timeout);
    }
    static bool waitFor(const QSignalSpy& spy, qsizetype count) {
        return waitUntil([&] { return spy.size() >= count; });
    }
    bool load(const QString& path) {
        const qsizetype before = m_complete.size();
        m_browser.navigate(path);
        return waitFor(m_complete, before + 1) && m_complete.last().at(0).toBool();
    }
    QString eval(const QString& js) { return koa::test::evalIn(m_browser.page(), js); }
    // What a frame command reports back.
    static bool answer(const std::function<void(Browser::Done)>& command) {
        auto ok = std::make_shared<std::optional<bool>>();
        command([ok](bool v) { *ok = v; });
        EXPECT_TRUE(waitUntil([&] { return ok->has_value(); })) << "no answer";
        return ok->value_or(false);
    }
    bool script(const QString& text) {
        return answer([&](Browser::Done done) { m_browser.runScript(text, done); });
    }
    bool frame(const QString& name, const QString& path) {
        return answer([&](Browser::Done done) { m_browser.navigateFrame(name, path, done); });
    }
    QStringList texts(qsizetype from = 0) const {
        QStringList out;
        for (qsizetype i = from; i < m_status.size(); ++i)
            out.append(m_status.at(i).at(0).toString());
        return out;
    }

    QTemporaryDir m_dir;
    Browser m_browser;
    QSignalSpy m_status{&m_browser, &Browser::statusTextChange};
    QSignalSpy m_complete{&m_browser, &Browser::documentComplete};
};

TEST_F(BrowserTest, OnlyTopLevelLoadsCompleteAndFramesReportInOrder) {
    EXPECT_EQ(m_browser.readyState(), Browser::Uninitialized);
    m_browser.navigate(frameset());
    EXPECT_EQ(m_browser.readyState(), Browser::Loading);
    ASSERT_TRUE(waitFor(m_complete, 1));
    EXPECT_EQ(m_browser.readyState(), Browser::Complete);
    // Frames load in no fixed order; each one's texts arrive, a repeat included.
    QStringList loaded = texts();
    loaded.sort();
    EXPECT_EQ(loaded, (QStringList{u"engine loaded"_s, u"go*Page name"_s, u"go*Page name"_s,
                                   u"upper loaded"_s}));

    // Quotes of both kinds reach the function in "engine", which calls into
    // its sibling frame; reading window.status gives the last text.
    qsizetype from = m_status.size();
    EXPECT_TRUE(script(u"javascript:greet('it\\'s \"quoted\"')"_s));
    ASSERT_TRUE(waitFor(m_status, from + 4));
    EXPECT_EQ(texts(from), (QStringList{u"greet it's \"quoted\""_s, u"upper it's \"quoted\""_s,
                                        u"done"_s, u"done"_s}));
    EXPECT_EQ(eval(u"frames.upper.document.body.textContent + '|' + frames.engine.status"_s),
              u"it's \"quoted\"|done"_s);

    // Assignments interleaved across three frames, the nested one included,
    // and one from a frame that script makes and fills.
    from = m_status.size();
    EXPECT_TRUE(script(u"burst(200); fill()"_s));
    QStringList expected;
    for (int i = 0; i < 200; ++i)
        expected << u"engine %1"_s.arg(i) << u"upper %1"_s.arg(i) << u"info %1"_s.arg(i);
    expected << u"made by script"_s;
    ASSERT_TRUE(waitFor(m_status, from + expected.size()));
    EXPECT_EQ(texts(from), expected);
    EXPECT_FALSE(script(u"javascript:noSuch()"_s));
    EXPECT_FALSE(script(u"javascript:greet('"_s));

    // A frame of the nested frameset loads a file whose name needs escaping.
    const QString next = page(u"next page #2's.html"_s,
                              u"<body>second<script>window.status = 'display two'</script>"_s);
    EXPECT_TRUE(frame(u"display"_s, next));
    ASSERT_TRUE(waitUntil([&] { return texts().contains(u"display two"_s); }));
    EXPECT_EQ(eval(u"frames.lower.frames.display.document.body.innerText"_s), u"second"_s);
    EXPECT_FALSE(frame(u"nowhere"_s, next));

    // Missing files and files that are not shown complete as failed; the
    // frames made and loaded before them added no completion of their own.
    m_browser.navigate(m_dir.filePath(u"missing.html"_s));
    ASSERT_TRUE(waitFor(m_complete, 2));
    EXPECT_FALSE(script(u"javascript:greet('x')"_s));
    m_browser.navigate(m_dir.filePath(u"notes.zip"_s));
    ASSERT_TRUE(waitFor(m_complete, 3));
    EXPECT_EQ(m_complete, (QList<QVariantList>{{true}, {false}, {false}}));
    EXPECT_EQ(m_browser.readyState(), Browser::Complete);
}

TEST_F(BrowserTest, OnlyTheUsersClicksLeadOutside) {
    m_browser.resize(800, 600);
    m_browser.show();
    const QString top = frameset();
    ASSERT_TRUE(load(top));
    QSignalSpy external(&m_browser, &Browser::externalLinkRequested);
    // Every browser shares one engine profile; what one page asks for reaches
    // that page's browser alone.
    Browser other;
    ASSERT_EQ(other.page()->profile(), m_browser.page()->profile());
    QSignalSpy otherExternal(&other, &Browser::externalLinkRequested);

    // Script alone leads nowhere: not by clicking links itself, by going to
    // an address, opening a window or asking for a file.
    const QString display = u"frames.lower.frames.display"_s;
    for (const QString& js : {display + u".document.getElementById('web').click()"_s,
                              display + u".document.getElementById('window').click()"_s,
                              display + u".document.getElementById('file').click()"_s,
                              display + u".location.href = 'https://example.invalid/frame'"_s,
                              u"frames.engine.open('https://example.invalid/popup')"_s,
                              u"location.href = 'https://example.invalid/top'"_s})
        eval(js);
    // A refused top-level address completes nothing, and the load that
    // follows at once completes as it should.
    for (int i = 0; i < 5; ++i) {
        eval(u"location.href = 'https://example.invalid/top'"_s);
        ASSERT_TRUE(load(top)) << i;
    }
    EXPECT_EQ(m_complete.size(), 6);
    koa::test::waitUntil([] { return false; }, 300);
    EXPECT_TRUE(external.isEmpty()) << external.constFirst().at(0).toString().toStdString();

    // The user's clicks do; the page stays as it was.
    for (const QString& id : {u"web"_s, u"window"_s, u"file"_s}) {
        const qsizetype before = external.size();
        ASSERT_TRUE(koa::test::clickByHand(m_browser.page(), u"#"_s + id));
        ASSERT_TRUE(waitFor(external, before + 1)) << id.toStdString();
    }
    EXPECT_EQ(external,
              (QList<QVariantList>{{QUrl(u"https://example.invalid/page"_s)},
                                   {QUrl(u"https://example.invalid/window"_s)},
                                   {QUrl::fromLocalFile(m_dir.filePath(u"notes.zip"_s))}}));
    EXPECT_TRUE(otherExternal.isEmpty());
    EXPECT_TRUE(eval(display + u".document.body.textContent"_s).startsWith(u"first display"_s));
    EXPECT_EQ(m_browser.readyState(), Browser::Complete);
}

TEST_F(BrowserTest, WrittenAndRewrittenDocumentsShowTheirContent) {
    // Written documents resolve against their base folder; the second text
    // is too long to travel as a URL.
    const QString folder = m_dir.filePath(u"course"_s);
    writeFile(folder + u"/pics/dot.svg"_s,
              R"(<svg xmlns="http://www.w3.org/2000/svg" width="7" height="7"/>)");
    for (const qsizetype filler : {qsizetype(0), qsizetype(3'000'000)}) {
        SCOPED_TRACE(filler);
        const qsizetype before = m_complete.size();
        m_browser.writeDocument(u"<!DOCTYPE html><p>Grüße</p><img src=\"pics/dot.svg\"><!-- "_s +
                                    QString(filler, u'x') + u" -->"_s,
                                folder);
        ASSERT_TRUE(waitFor(m_complete, before + 1));
        EXPECT_TRUE(m_complete.last().at(0).toBool());
        EXPECT_EQ(eval(u"[document.body.innerText, document.images[0].naturalWidth,"
                       u" document.compatMode].join()"_s),
                  u"Grüße,7,CSS1Compat"_s);
    }

    // Files rewritten between loads show their new content.
    const auto write = [&](const QString& text, int width) {
        page(u"page.js"_s, u"window.status = '%1';"_s.arg(text));
        page(u"dot.svg"_s,
             uR"(<svg xmlns="http://www.w3.org/2000/svg" width="%1" height="1"/>)"_s.arg(width));
        return page(u"page.html"_s,
                    u"<body>%1<img src=\"dot.svg\"><script src=\"page.js\"></script>"_s.arg(text));
    };
    ASSERT_TRUE(load(write(u"first"_s, 3)));
    ASSERT_TRUE(load(write(u"second"_s, 5)));
    EXPECT_EQ(eval(u"document.body.innerText + document.images[0].naturalWidth"_s), u"second5"_s);
    EXPECT_EQ(texts(), (QStringList{u"first"_s, u"second"_s}));
}

} // namespace
