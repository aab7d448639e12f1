// The export for the web, played in the real browser engine opened from disk
// and served by a static web server. (Browsers keep files opened from disk
// from reaching each other's documents; the player never needs that: its
// frames are documents of its own page.)
#include "distribution/scormexport.h"
#include "distribution/webexport.h"
#include "store/fileops.h"
#include "store/package.h"
#include "tests/support/helpers.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/samplecourse.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
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

// A page that records the windows its documents open instead of opening them.
class RecordingPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    QList<QUrl> opened;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        qWarning("console: %s (%s:%d)", qPrintable(message), qPrintable(source), line);
    }
    QWebEnginePage* createWindow(WebWindowType) override {
        auto* window = new QWebEnginePage(profile(), this);
        connect(window, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
            if (!url.isEmpty())
                opened.append(url);
        });
        return window;
    }
};

// Python's static file server on a free port of 127.0.0.1.
class StaticServer {
public:
    explicit StaticServer(const QString& folder) : m_port(closedPort()) {
        m_server.start(u"python3"_s, {u"-m"_s, u"http.server"_s, QString::number(m_port),
                                      u"--bind"_s, u"127.0.0.1"_s, u"--directory"_s, folder});
        waitUntil(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(u"127.0.0.1"_s, m_port);
                return probe.waitForConnected(100);
            },
            Timeout);
    }
    ~StaticServer() {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    QUrl address(const QString& path) const {
        return QUrl(u"http://127.0.0.1:%1/"_s.arg(m_port) + path);
    }

private:
    quint16 m_port;
    QProcess m_server;
};

// The page, its view and, where asked, a static server, with waits on the page's script.
class InBrowser {
protected:
    InBrowser(const QString& display, QSize size) : m_display(display) {
        m_view.setPage(&m_page);
        m_view.resize(size);
        m_view.show();
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
    bool showsMenu() {
        return holds(m_display + u".querySelectorAll('tr.koa-module').length === 2"_s);
    }

    const QString m_display;
    TempProgramFolder m_program;
    QWebEngineProfile m_profile;
    RecordingPage m_page{&m_profile};
    QWebEngineView m_view;
    std::unique_ptr<StaticServer> m_server;
};

class WebExport : public ::testing::TestWithParam<bool>, protected InBrowser {
protected:
    WebExport() : InBrowser(DisplayFrame, {1024, 768}) {}
    void SetUp() override {
        writeSampleCourse(m_program.folder().workingFolder(), u"Classic"_s);
        writeFile(m_program.path(u"temp/movies/3.mp4"_s), "a movie");
        const auto outcome = distribution::exportForWeb(m_program.folder().root(), m_out);
        ASSERT_EQ(outcome.result, distribution::WebExportOutcome::Result::Done)
            << outcome.detail.toStdString();
        if (GetParam()) {
            m_server = std::make_unique<StaticServer>(m_out);
            m_view.load(m_server->address(u"index.html"_s));
        } else {
            m_view.load(QUrl::fromLocalFile(m_out + u"/index.html"_s));
        }
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
    ASSERT_TRUE(showsMenu());
    EXPECT_TRUE(click(u"tr.koa-module"_s));
    ASSERT_TRUE(shows(u"Welcome aboard"_s));
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

    // Next, a page link and the quiz, answered wrong and then right.
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(shows(u"Which knots hold?"_s));
    EXPECT_TRUE(click(u"[data-command=backward]"_s));
    ASSERT_TRUE(shows(u"Welcome aboard"_s));
    EXPECT_TRUE(click(u"a[type=i]"_s));
    ASSERT_TRUE(shows(u"Which knots hold?"_s));
    const QString quiz = DisplayFrame + u".querySelector('form.koa-quiz')"_s;
    const QString check = quiz + u".querySelector('.koa-check').click(); "_s + quiz +
                          u".querySelector('.koa-feedback').className"_s;
    run(quiz + u".box0.checked = true"_s);
    EXPECT_EQ(run(check), u"koa-feedback koa-wrong"_s);
    run(quiz + u".box2.checked = true"_s);
    EXPECT_EQ(run(check), u"koa-feedback koa-right"_s);

    // The glossary opens beside the course; past the last page, the menu.
    EXPECT_TRUE(click(u"[data-command=glossary]"_s));
    ASSERT_TRUE(waitUntil([&] { return !m_page.opened.isEmpty(); }, Timeout));
    EXPECT_TRUE(m_page.opened.first().toString().endsWith(u"/glossary.html"_s));
    EXPECT_TRUE(readFile(m_out + u"/glossary.html"_s).contains("Skipper&#39;s rule"));
    EXPECT_TRUE(click(u"[data-command=fastforward]"_s));
    ASSERT_TRUE(shows(u"Ropes and sails"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(showsMenu());

    // Exit leaves the course.
    EXPECT_TRUE(click(u"[data-command=exit]"_s));
    EXPECT_TRUE(holds(u"!document.getElementById('koa-ended').hidden"_s));
}

INSTANTIATE_TEST_SUITE_P(FromDiskAndServer, WebExport, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Served" : "FromDisk";
                         });

TEST(WebExportTool, RefusesACourseWhosePagesNameMissingMediaAndListsThem) {
    TempProgramFolder program;
    const QString work = program.folder().workingFolder();
    writeSampleCourse(work, u"Harbour"_s);
    QFile::remove(work + u"/pictures/1.gif"_s); // the sound stays
    package::packFolder(work, program.scratch(u"sailing.kof"_s));
    const QString out = program.scratch(u"web"_s);
    const ToolRun refused = runKoaTool({u"export-web"_s, program.scratch(u"sailing.kof"_s), out});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, u"koa-tool: "_s + distribution::messages::MediaMissing +
                               u"\n\nMovie 'Sea' (3.mp4)\nPicture 'Boat' (1.gif)\n"_s);
    EXPECT_FALSE(QFileInfo::exists(out));

    writeFile(work + u"/pictures/1.gif"_s, gifOf(40, 30));
    writeFile(work + u"/movies/3.mp4"_s, "a movie");
    package::packFolder(work, program.scratch(u"sailing.kof"_s));
    const ToolRun done = runKoaTool({u"export-web"_s, program.scratch(u"sailing.kof"_s), out});
    EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
    EXPECT_EQ(done.out, out + u"/index.html\n"_s);
    EXPECT_TRUE(readFile(out + u"/course.js"_s).contains("\"skin\":\"Harbour\""));
}

namespace {

struct Platform {
    distribution::ScormVersion version;
    const char* runtime; // scorm-again's file and class
    const char* api;
    const char* window; // where the course looks for the platform
    const char* location;
    const char* completion;
    const char* score;
};

const Platform Scorm12 = {distribution::ScormVersion::Scorm12,
                          "scorm12",
                          "Scorm12API",
                          "API",
                          "cmi.core.lesson_location",
                          "cmi.core.lesson_status",
                          "cmi.core.score.raw"};
const Platform Scorm2004 = {distribution::ScormVersion::Scorm2004,
                            "scorm2004",
                            "Scorm2004API",
                            "API_1484_11",
                            "cmi.location",
                            "cmi.completion_status",
                            "cmi.score.raw"};

// A learning platform: the package unpacked below a page of its own that holds
// the SCORM run-time, which a launch may fill from an earlier session's data.
class ScormPackage : public ::testing::TestWithParam<Platform>, protected InBrowser {
protected:
    ScormPackage() : InBrowser(u"frames.lms."_s + DisplayFrame, {1100, 800}) {}
    void SetUp() override {
        writeSampleCourse(m_program.folder().workingFolder(), u"Meadow"_s);
        writeFile(m_program.path(u"temp/movies/3.mp4"_s), "a movie");
        const QString zip = m_program.scratch(u"course.zip"_s);
        const auto outcome = distribution::exportScorm(m_program.folder().root(), zip, p().version);
        ASSERT_EQ(outcome.result, distribution::WebExportOutcome::Result::Done)
            << outcome.detail.toStdString();
        EXPECT_FALSE(package::hasPackageMarker(zip));
        package::unpackPackage(zip, m_lms + u"/sco"_s);
        const QString runtime = QString::fromLatin1(p().runtime) + u".js"_s;
        copyFileOver(QStringLiteral(KOA_SCORM_RUNTIME) + u'/' + runtime, m_lms + u'/' + runtime);
        writeFile(m_lms + u"/platform.html"_s,
                  u"<!DOCTYPE html><meta charset=utf-8><script src=\"%1\"></script><script>"
                  "window.%3 = new %2({logLevel: 5});"
                  "if (location.hash) %3.loadFromFlattenedJSON("
                  "JSON.parse(decodeURIComponent(location.hash.slice(1))));"
                  "</script><iframe name=lms src=\"sco/index.html\" width=1024 height=700>"
                  "</iframe>"_s.arg(runtime, QString::fromLatin1(p().api), api())
                      .toUtf8());
        m_server = std::make_unique<StaticServer>(m_lms);
    }
    const Platform& p() const { return GetParam(); }
    QString api() const { return QString::fromLatin1(p().window); }
    void launch(const QString& saved = {}) {
        // Each launch its own address: a changed fragment alone loads nothing.
        QUrl url = m_server->address(u"platform.html?launch=%1"_s.arg(++m_launches));
        if (!saved.isEmpty())
            url.setFragment(saved);
        m_view.load(url);
    }
    QString cmi(const char* element) {
        return run(u"%1.getCMIValue('%2')"_s.arg(api(), QString::fromLatin1(element)));
    }

    QString m_lms = m_program.scratch(u"lms"_s);
    int m_launches = 0;
};

} // namespace

TEST_P(ScormPackage, TheManifestNamesEveryFileAndThePlayReportsBookmarkScoreAndCompletion) {
    // One SCO with the course's title and every file of the package.
    QFile file(m_lms + u"/sco/imsmanifest.xml"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList listed, titles, versions;
    QString scormType, namespaceUri;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"manifest"_s)
            namespaceUri = xml.namespaceUri().toString();
        else if (xml.name() == u"file"_s)
            listed << QUrl::fromPercentEncoding(xml.attributes().value(u"href"_s).toLatin1());
        else if (xml.name() == u"schemaversion"_s)
            versions << xml.readElementText();
        else if (xml.name() == u"title"_s && xml.namespaceUri() == namespaceUri)
            titles << xml.readElementText();
        else if (xml.name() == u"resource"_s)
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name().compare(u"scormtype"_s, Qt::CaseInsensitive) == 0)
                    scormType = a.value().toString();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    const bool old = p().version == distribution::ScormVersion::Scorm12;
    EXPECT_EQ(namespaceUri, old ? u"http://www.imsproject.org/xsd/imscp_rootv1p1p2"_s
                                : u"http://www.imsglobal.org/xsd/imscp_v1p1"_s);
    EXPECT_EQ(versions, QStringList{old ? u"1.2"_s : u"2004 4th Edition"_s});
    EXPECT_EQ(titles, QStringList({u"Sailing"_s, u"Sailing"_s}));
    EXPECT_EQ(scormType, u"sco"_s);
    QStringList files = treeOf(m_lms + u"/sco"_s).filter(QRegularExpression(u"[^/]$"_s));
    files.removeAll(u"imsmanifest.xml"_s);
    listed.sort();
    files.sort();
    EXPECT_EQ(listed, files);
    EXPECT_TRUE(listed.contains(u"scorm.js"_s));

    launch();
    ASSERT_TRUE(shows(u"Mara"_s));
    EXPECT_TRUE(click(u".koa-start"_s));
    EXPECT_TRUE(click(u"tr.koa-module"_s));
    ASSERT_TRUE(shows(u"Welcome aboard"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(shows(u"Which knots hold?"_s));
    // Two of the quiz's three statements answered right: 67 of 100.
    run(m_display + u".querySelector('form.koa-quiz').box0.checked = true"_s);
    EXPECT_TRUE(click(u".koa-check"_s));
    EXPECT_TRUE(waitUntil([&] { return cmi(p().score) == u"67"_s; }, Timeout));
    EXPECT_TRUE(click(u"[data-command=forward]"_s));
    ASSERT_TRUE(shows(u"Ropes and sails"_s));
    // The bookmark after three pages, the pages seen kept for the next launch.
    EXPECT_EQ(cmi(p().location), u"0.2"_s);
    const QString suspended = cmi("cmi.suspend_data");
    EXPECT_TRUE(suspended.startsWith(u"p=0.0,0.1,0.2;a="_s)) << suspended.toStdString();
    EXPECT_EQ(cmi(p().completion), u"incomplete"_s);
    EXPECT_TRUE(click(u"[data-command=exit]"_s));
    EXPECT_TRUE(holds(api() + u".isTerminated()"_s));

    // The next launch resumes at the bookmark; the last page completes it.
    const QString entry =
        p().version == distribution::ScormVersion::Scorm12 ? u"cmi.core.entry"_s : u"cmi.entry"_s;
    launch(QString::fromUtf8(QUrl::toPercentEncoding(
        u"{\"%1\": \"resume\", \"%2\": \"0.2\", \"cmi.suspend_data\": \"%3\"}"_s.arg(
            entry, QString::fromLatin1(p().location), suspended))));
    ASSERT_TRUE(shows(u"Ropes and sails"_s));
    EXPECT_TRUE(click(u"[data-command=forward]"_s)); // past the module: the menu
    ASSERT_TRUE(showsMenu());
    EXPECT_EQ(cmi(p().completion), u"incomplete"_s);
    EXPECT_TRUE(click(u"tr.koa-module:last-child"_s));
    ASSERT_TRUE(shows(u"Only page"_s));
    EXPECT_EQ(cmi(p().completion), u"completed"_s);
    EXPECT_EQ(cmi(p().score), u"67"_s);
}

INSTANTIATE_TEST_SUITE_P(Versions, ScormPackage, ::testing::Values(Scorm12, Scorm2004),
                         [](const ::testing::TestParamInfo<Platform>& info) {
                             return std::string(info.param.runtime);
                         });
