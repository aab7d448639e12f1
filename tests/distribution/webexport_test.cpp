// The export for the web, played in the real browser engine opened from disk
// and served by a static web server. (Browsers keep files opened from disk
// from reaching each other's documents; the player never needs that: its
// frames are documents of its own page.)
#include "distribution/scormexport.h"
#include "distribution/webexport.h"
#include "store/database.h"
#include "store/fileops.h"
#include "store/package.h"
#include "tests/support/helpers.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/samplecourse.h"
#include "tests/support/testsupport.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

constexpr int Timeout = 15000;
const QString DisplayFrame = u"frames.display.document"_s;

// The page, its view and, where asked, a static server, with waits on the
// page's script; the sample course in `skin`, with the movie its page names.
class InBrowser {
protected:
    InBrowser(const QString& display, QSize size, const QString& skin) : m_display(display) {
        m_view.setPage(&m_page);
        // The windows its documents open, recorded instead of opened.
        QObject::connect(&m_page, &QWebEnginePage::newWindowRequested,
                         [this](QWebEngineNewWindowRequest& r) { m_opened << r.requestedUrl(); });
        m_view.resize(size);
        m_view.show();
        writeSampleCourse(m_program.folder().workingFolder(), skin);
        writeFile(m_program.path(u"temp/movies/3.mp4"_s), "a movie");
    }
    ~InBrowser() {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    // Python's static file server for `folder` on a free port of 127.0.0.1; its address.
    QString serve(const QString& folder) {
        const quint16 port = closedPort();
        m_server.start(u"python3"_s, {u"-m"_s, u"http.server"_s, QString::number(port), u"--bind"_s,
                                      u"127.0.0.1"_s, u"--directory"_s, folder});
        waitUntil(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(u"127.0.0.1"_s, port);
                return probe.waitForConnected(100);
            },
            Timeout);
        return u"http://127.0.0.1:%1/"_s.arg(port);
    }
    QString run(const QString& js) { return evalIn(&m_page, js); }
    bool click(const QString& selector) { return clickOnce(&m_page, selector, Timeout); }
    bool holds(const QString& js) {
        const QString guarded =
            u"(function () { try { return String("_s + js + u"); } catch (e) { return ''; } })()"_s;
        return waitUntil([&] { return run(guarded) == u"true"_s; }, Timeout);
    }
    bool shows(const QString& text) {
        return holds(m_display + u".body.innerText.includes('"_s + text + u"')"_s);
    }
    // Clicks `selector`, then waits for `text` in the display.
    bool go(const QString& selector, const QString& text) { return click(selector) && shows(text); }
    bool showsMenu() {
        return holds(m_display + u".querySelectorAll('tr.koa-module').length === 2"_s);
    }

    const QString m_display;
    TempProgramFolder m_program;
    QWebEngineProfile m_profile;
    QWebEnginePage m_page{&m_profile};
    QList<QUrl> m_opened;
    QWebEngineView m_view;
    QProcess m_server;
};

class WebExport : public ::testing::TestWithParam<bool>, protected InBrowser {
protected:
    WebExport() : InBrowser(DisplayFrame, {1024, 768}, u"Classic"_s) {}
    void SetUp() override {
        const auto outcome = distribution::exportForWeb(m_program.folder().root(), m_out);
        ASSERT_EQ(outcome.result, distribution::WebExportOutcome::Result::Done)
            << outcome.detail.toStdString();
        m_view.load(GetParam() ? QUrl(serve(m_out) + u"index.html"_s)
                               : QUrl::fromLocalFile(m_out + u"/index.html"_s));
    }

    QString m_out = m_program.scratch(u"web course"_s);
};

} // namespace

TEST_P(WebExport, PlaysTheCourseWithNoProgramBehindIt) {
    // The title page leads to the menu, the menu into a module.
    // The course's database stays behind.
    EXPECT_FALSE(QFileInfo::exists(m_out + u"/temp/koa.kod"_s));
    ASSERT_TRUE(shows(u"Mara"_s));
    EXPECT_EQ(run(u"document.title"_s), u"Sailing"_s);
    EXPECT_TRUE(click(u".koa-start"_s));
    ASSERT_TRUE(go(u"tr.koa-module"_s, u"Welcome aboard"_s));
    EXPECT_EQ(run(u"frames.info.document.body.textContent"_s), u"Module 1 of 2Page 1 of 3"_s);
    EXPECT_TRUE(holds(DisplayFrame + u".images[0].complete && "_s + DisplayFrame +
                      u".images[0].naturalWidth === 40"_s));

    // A keyword shows its description; a lost page link says so.
    const QString dialog = DisplayFrame + u".querySelector('dialog[open] .koa-dialog-body')"_s;
    EXPECT_TRUE(click(u"a[type=k]"_s));
    EXPECT_TRUE(holds(dialog + u".innerText === 'One line\\n<two>'"_s));
    EXPECT_TRUE(click(u"a[onclick*=Nowhere]"_s));
    EXPECT_TRUE(
        holds(dialog + u".textContent === 'The page this link referres to cannot be found.'"_s));
    // The message is shown over the next page too, for a moment: closed first.
    EXPECT_TRUE(click(u"dialog[open] button[value=ok]"_s));

    // Next, back, a page link and the quiz, answered wrong and then right.
    ASSERT_TRUE(go(u"[data-command=forward]"_s, u"Which knots hold?"_s));
    ASSERT_TRUE(go(u"[data-command=backward]"_s, u"Welcome aboard"_s));
    ASSERT_TRUE(go(u"a[type=i]"_s, u"Which knots hold?"_s));
    const QString quiz = DisplayFrame + u".querySelector('form.koa-quiz')"_s;
    const QString check = u"; "_s + quiz + u".querySelector('.koa-check').click(); "_s + quiz +
                          u".querySelector('.koa-feedback').className"_s;
    EXPECT_EQ(run(quiz + u".box0.checked = true"_s + check), u"koa-feedback koa-wrong"_s);
    EXPECT_EQ(run(quiz + u".box2.checked = true"_s + check), u"koa-feedback koa-right"_s);

    // The glossary opens beside the course; past the last page, the menu.
    EXPECT_TRUE(click(u"[data-command=glossary]"_s));
    ASSERT_TRUE(waitUntil([&] { return !m_opened.isEmpty(); }, Timeout));
    EXPECT_TRUE(m_opened.first().toString().endsWith(u"/glossary.html"_s));
    EXPECT_TRUE(readFile(m_out + u"/glossary.html"_s).contains("Skipper&#39;s rule"));
    ASSERT_TRUE(go(u"[data-command=fastforward]"_s, u"Ropes and sails"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(showsMenu());

    // Exit leaves the course.
    EXPECT_TRUE(click(u"[data-command=exit]"_s));
    EXPECT_TRUE(holds(u"!document.getElementById('koa-ended').hidden"_s));
}

INSTANTIATE_TEST_SUITE_P(FromDiskAndServer, WebExport, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Served" : "FromDisk"; });

TEST(WebExportTool, RefusesMissingMediaAndFindsKeywordsAndDocumentsByTheirLinkNames) {
    TempProgramFolder program;
    const QString work = program.folder().workingFolder();
    const QString kof = program.scratch(u"sailing.kof"_s), out = program.scratch(u"web"_s);
    const auto exportWeb = [&] {
        package::packFolder(work, kof);
        return runKoaTool({u"export-web"_s, kof, out});
    };
    writeSampleCourse(work, u"Harbour"_s);
    QFile::remove(work + u"/pictures/1.gif"_s); // the sound stays
    const ToolRun refused = exportWeb();
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, u"koa-tool: "_s + distribution::messages::MediaMissing +
                               u"\n\nMovie 'Sea' (3.mp4)\nPicture 'Boat' (1.gif)\n"_s);
    EXPECT_FALSE(QFileInfo::exists(out));

    writeFile(work + u"/pictures/1.gif"_s, gifOf(40, 30));
    writeFile(work + u"/movies/3.mp4"_s, "a movie");
    // Links ask by escaped names; the pool stores brackets plain. An escaped
    // row of the same name comes first, as in the viewer.
    Database course(work + u"/koa.kod"_s);
    course.exec(
        u"INSERT INTO keywords (name, desc) VALUES ('x<y', 'plain'), ('x&#60;y', 'escaped')"_s);
    course.exec(u"INSERT INTO dlinks (name, filename) VALUES ('Plan <B>', '6.pdf')"_s);
    const ToolRun done = exportWeb();
    EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
    EXPECT_EQ(done.out, out + u"/index.html\n"_s);
    const QByteArray lookups = readFile(out + u"/course.js"_s);
    for (const char* entry : {"\"skin\":\"Harbour\"", "\"x&#60;y\":\"escaped\"",
                              "\"x<y\":\"plain\"", "\"plan &#60;b&#62;\":\"6.pdf\""})
        EXPECT_TRUE(lookups.contains(entry)) << entry;
}

namespace {

using distribution::ScormVersion;

// A learning platform: the package unpacked below a page of its own that holds
// the SCORM run-time, which a launch may fill from an earlier session's data.
class ScormPackage : public ::testing::TestWithParam<ScormVersion>, protected InBrowser {
protected:
    ScormPackage() : InBrowser(u"frames.lms."_s + DisplayFrame, {1100, 800}, u"Meadow"_s) {}
    void SetUp() override {
        const QString zip = m_program.scratch(u"course.zip"_s);
        const auto outcome = distribution::exportScorm(m_program.folder().root(), zip, GetParam());
        ASSERT_EQ(outcome.result, distribution::WebExportOutcome::Result::Done)
            << outcome.detail.toStdString();
        EXPECT_FALSE(package::hasPackageMarker(zip));
        package::unpackPackage(zip, m_lms + u"/sco"_s);
        // The run-time's file and class, and where the course looks for it.
        const QString runtime = m_old ? u"scorm12.js"_s : u"scorm2004.js"_s;
        copyFileOver(QStringLiteral(KOA_SCORM_RUNTIME) + u'/' + runtime, m_lms + u'/' + runtime);
        writeFile(m_lms + u"/platform.html"_s,
                  u"<!DOCTYPE html><meta charset=utf-8><script src=\"%1\"></script><script>"
                  "window.%3 = new %2({logLevel: 5});"
                  "if (location.hash) %3.loadFromFlattenedJSON("
                  "JSON.parse(decodeURIComponent(location.hash.slice(1))));"
                  "</script><iframe name=lms src=\"sco/index.html\" width=1024 height=700>"
                  "</iframe>"_s.arg(runtime, m_old ? u"Scorm12API"_s : u"Scorm2004API"_s, m_api)
                      .toUtf8());
        m_address = serve(m_lms);
    }
    // Each launch its own address: a changed fragment alone loads nothing.
    void launch(const QString& saved = {}) {
        QUrl url(m_address + u"platform.html?launch=%1"_s.arg(++m_launches));
        if (!saved.isEmpty())
            url.setFragment(QString::fromUtf8(QUrl::toPercentEncoding(saved)));
        m_view.load(url);
    }
    // An element of the data model by its 2004 name; 1.2 keeps most below "core".
    QString cmi(const QString& element) const {
        static const QMap<QString, QString> old = {
            {u"location"_s, u"core.lesson_location"_s},
            {u"completion_status"_s, u"core.lesson_status"_s},
            {u"score.raw"_s, u"core.score.raw"_s},
            {u"entry"_s, u"core.entry"_s}};
        return u"cmi."_s + (m_old ? old.value(element, element) : element);
    }
    QString value(const QString& element) {
        return run(u"%1.getCMIValue('%2')"_s.arg(m_api, cmi(element)));
    }

    const bool m_old = GetParam() == ScormVersion::Scorm12;
    const QString m_api = m_old ? u"API"_s : u"API_1484_11"_s;
    QString m_lms = m_program.scratch(u"lms"_s), m_address;
    int m_launches = 0;
};

} // namespace

TEST_P(ScormPackage, TheManifestNamesEveryFileAndThePlayReportsBookmarkScoreAndCompletion) {
    // One SCO with the course's title and every file of the package.
    QXmlStreamReader xml(readFile(m_lms + u"/sco/imsmanifest.xml"_s));
    QStringList listed{u"imsmanifest.xml"_s}, seen;
    QString namespaceUri;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"manifest"_s)
            seen << (namespaceUri = xml.namespaceUri().toString());
        else if (xml.name() == u"file"_s)
            listed << QUrl::fromPercentEncoding(xml.attributes().value(u"href"_s).toLatin1());
        else if (xml.name() == u"schemaversion"_s ||
                 (xml.name() == u"title"_s && xml.namespaceUri() == namespaceUri))
            seen << xml.readElementText();
        else if (xml.name() == u"resource"_s)
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name().compare(u"scormtype"_s, Qt::CaseInsensitive) == 0)
                    seen << a.value().toString();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(seen, (QStringList{m_old ? u"http://www.imsproject.org/xsd/imscp_rootv1p1p2"_s
                                       : u"http://www.imsglobal.org/xsd/imscp_v1p1"_s,
                                 m_old ? u"1.2"_s : u"2004 4th Edition"_s, u"Sailing"_s,
                                 u"Sailing"_s, u"sco"_s}));
    listed.sort();
    EXPECT_EQ(listed, treeOf(m_lms + u"/sco"_s).filter(QRegularExpression(u"[^/]$"_s)));

    launch();
    ASSERT_TRUE(shows(u"Mara"_s));
    EXPECT_TRUE(click(u".koa-start"_s));
    ASSERT_TRUE(go(u"tr.koa-module"_s, u"Welcome aboard"_s));
    ASSERT_TRUE(go(u"[data-command=forward]"_s, u"Which knots hold?"_s));
    // Two of the quiz's three statements answered right: 67 of 100.
    run(m_display + u".querySelector('form.koa-quiz').box0.checked = true"_s);
    EXPECT_TRUE(click(u".koa-check"_s));
    EXPECT_TRUE(waitUntil([&] { return value(u"score.raw"_s) == u"67"_s; }, Timeout));
    ASSERT_TRUE(go(u"[data-command=forward]"_s, u"Ropes and sails"_s));
    // The bookmark after three pages, the pages seen kept for the next launch.
    EXPECT_EQ(value(u"location"_s), u"0.2"_s);
    const QString suspended = value(u"suspend_data"_s);
    EXPECT_TRUE(suspended.startsWith(u"p=0.0,0.1,0.2;a="_s)) << suspended.toStdString();
    EXPECT_EQ(value(u"completion_status"_s), u"incomplete"_s);
    EXPECT_TRUE(click(u"[data-command=exit]"_s));
    EXPECT_TRUE(holds(m_api + u".isTerminated()"_s));

    // The next launch resumes at the bookmark; the last page completes it.
    launch(u"{\"%1\": \"resume\", \"%2\": \"0.2\", \"cmi.suspend_data\": \"%3\"}"_s.arg(
        cmi(u"entry"_s), cmi(u"location"_s), suspended));
    ASSERT_TRUE(shows(u"Ropes and sails"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s)); // past the module: the menu
    ASSERT_TRUE(showsMenu());
    EXPECT_EQ(value(u"completion_status"_s), u"incomplete"_s);
    ASSERT_TRUE(go(u"tr.koa-module:last-child"_s, u"Only page"_s));
    EXPECT_EQ(value(u"completion_status"_s), u"completed"_s);
    EXPECT_EQ(value(u"score.raw"_s), u"67"_s);
}

INSTANTIATE_TEST_SUITE_P(Versions, ScormPackage,
                         ::testing::Values(ScormVersion::Scorm12, ScormVersion::Scorm2004),
                         [](const auto& info) {
                             return info.param == ScormVersion::Scorm12 ? "scorm12" : "scorm2004";
                         });
