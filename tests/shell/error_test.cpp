#include "online/curlrequest.h"
#include "shell/error.h"
#include "shell/errorreport.h"
#include "tests/support/anchor.h"
#include "tests/support/childprocess.h"
#include "tests/support/helpers.h"
#include "tests/support/httpserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using namespace koa;
using namespace koa::shell;
using koa::online::CurlRequest;
using namespace koa::test;

namespace {

// The query of a request target as a server reads it: split at "&" and the
// first "=", "+" taken as a blank, then percent-decoded as UTF-8.
QList<std::pair<QString, QString>> decodedQuery(const QByteArray& target) {
    const auto decode = [](QByteArray part) {
        return QUrl::fromPercentEncoding(part.replace('+', ' '));
    };
    QList<std::pair<QString, QString>> fields;
    for (const QByteArray& field : target.mid(target.indexOf('?') + 1).split('&')) {
        const qsizetype eq = field.indexOf('=');
        fields.append({decode(field.left(eq)), decode(field.mid(eq + 1))});
    }
    return fields;
}

// A program with a course open that meets an error and ends through "Exit KOA".
const bool exitChildRegistered = registerChild(u"exit-from-error"_s, [](const QStringList& args) {
    ScriptedInteraction scripted;
    setInteraction(&scripted);
    auto anchor = anchorAt(args.value(0));
    if (!anchor->Form_Load({}))
        return 2;
    error window(allPresent());
    window.errorDetected(errnum::DiskFull, u"Disk full"_s, u"commonModule / SaveCourse()"_s);
    window.ExitButton->click();
    return 0; // "Exit KOA" did not end the program
});

class ErrorWindow : public ::testing::Test {
protected:
    ErrorWindow() : m_window(allPresent()) {
        error::setMakerAddress(m_server.address());
        m_window.setExitAction([this](int code) { m_exitCodes.append(code); });
    }
    ~ErrorWindow() override { error::setMakerAddress(m_makerAddress); }

    QString report() const { return m_window.errorMessage->toPlainText(); }

    const QString m_makerAddress = error::makerAddress();
    HttpServer m_server;
    ScriptedScope m_scripted;
    ErrorRecorder m_errors;
    error m_window;
    QList<int> m_exitCodes;
};

} // namespace

TEST(ErrorReport, TextLinesAndOperatingSystemNames) {
    // Name, platform, version, build, browser, media player, program.
    const SystemFacts facts{
        operatingSystemName(2, u"5.0"_s), u"2"_s, u"5.0"_s, u"2195"_s, u"6"_s, u"9"_s, u"1.1.2"_s};
    // Lines end in CR LF.
    EXPECT_EQ(
        reportText({errnum::DiskFull, u"Disk full"_s, u"commonModule / SaveCourse()"_s}, facts),
        u"Error 61 (Disk full) in commonModule / SaveCourse()\r\n\r\nKOA version: 1.1.2\r\n"
        "Operating system build: 2195\r\nOperating system platform: Win 2000(2)\r\n"
        "Operating system version: 5.0\r\nInternet Explorer version:6\r\n"
        "Windows Media Player version: 9"_s);

    // Platform, version, name.
    const std::tuple<int, QString, QString> names[] = {
        {0, u"3.1"_s, u"Win32"_s},  {1, u"4.0"_s, u"Win 95"_s},       {1, u"4.1"_s, u"Win 98"_s},
        {1, u"5.0"_s, u"Win ME"_s}, {1, u"4.9"_s, u"Version 4.9"_s},  {2, u"4.0"_s, u"Win NT"_s},
        {2, u"6.0"_s, u"Win XP"_s}, {2, u"10.0"_s, u"Version10.0"_s}, {3, u"5.0"_s, QString()},
    };
    for (const auto& [platform, version, name] : names)
        EXPECT_EQ(operatingSystemName(platform, version), name)
            << platform << " " << version.toStdString();

    // A failing probe leaves its value empty and the rest is still read.
    const SystemFacts here = SystemFacts::ofThisSystem(
        []() -> int { throw std::runtime_error("no engine"); }, [] { return 7; });
    EXPECT_TRUE(here.browserVersion.isEmpty());
    EXPECT_EQ(here.mediaPlayerVersion, u"7"_s);
    EXPECT_EQ(here.platform, u"linux"_s);
    EXPECT_FALSE(here.osName.isEmpty());
}

TEST(CurlRequestTest, StatusBodyAndFailures) {
    HttpServer server;
    server.answerWith(404, "no such page");
    CurlRequest request(QUrl(server.address() + u"/koa_upload.asp?a=b%26c"_s));
    CurlRequest::Result r = request.perform();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(r.body, "no such page");
    EXPECT_TRUE(r.error.contains(u"404"_s)) << r.error.toStdString();

    server.answerWith(200, "done"); // the same handle again
    r = request.perform();
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.body, "done");
    EXPECT_TRUE(r.error.isEmpty());
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].method, "GET");
    EXPECT_EQ(server.requests()[1].target, "/koa_upload.asp?a=b%26c");
    EXPECT_EQ(server.requests()[1].headers.value("user-agent"), "KOA/" KOA_VERSION_TEXT);

    const quint16 closed = closedPort();
    ASSERT_NE(closed, 0);
    for (const QString& address :
         {u"http://127.0.0.1:%1/"_s.arg(closed), u"file:///etc/hostname"_s, u"nonsense"_s}) {
        r = CurlRequest(QUrl(address)).perform();
        EXPECT_TRUE(!r.ok && r.status == 0 && r.body.isEmpty() && !r.error.isEmpty())
            << address.toStdString();
    }
}

TEST_F(ErrorWindow, OkSendsEveryValueWholeOnceWithinItsTimeCancelOnlyClosesAndExitEnds) {
    const QString description = u"Can't open \"a & b\" #1 + 50% Ärger"_s;
    const QString location = u"commonModule / SaveCourse()"_s;
    // Shown on top with its report, ready to send.
    const auto ready = [&] {
        return m_window.isVisible() && m_window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
               m_window.errorMessage->isVisible() && !m_window.pleaseWait->isVisible() &&
               m_window.OKButton->isEnabled();
    };
    m_window.errorDetected(errnum::PathFileAccess, description, location);
    EXPECT_TRUE(ready());
    EXPECT_EQ(m_window.errorMessage->document()->blockCount(), 8);
    EXPECT_TRUE(report().startsWith(u"Error 75 ("_s + description + u") in "_s + location));
    QTextDocument link;
    link.setHtml(m_window.makerLink->text());
    EXPECT_EQ(link.toPlainText(), m_server.address());

    m_window.OKButton->click();
    EXPECT_FALSE(m_window.isVisible());
    ASSERT_EQ(m_server.requests().size(), 1);
    const HttpServer::Request& sent = m_server.requests()[0];
    EXPECT_EQ(sent.method, "GET");
    EXPECT_TRUE(sent.target.startsWith("/errorsubmit.asp?number=75&location="))
        << sent.target.toStdString();
    const QList<std::pair<QString, QString>> expected = {
        {u"number"_s, u"75"_s},
        {u"location"_s, location},
        {u"message"_s, description},
        {u"KOA"_s, u"1.1.2"_s},
        {u"OS"_s, QSysInfo::prettyProductName() + u"(linux)"_s},
        {u"OSVersion"_s, QSysInfo::productVersion()},
        {u"OSBuild"_s, QSysInfo::kernelVersion()},
        {u"IE"_s, u"120"_s},
        {u"WMP"_s, u"1"_s}};
    EXPECT_EQ(decodedQuery(sent.target), expected);

    // Cancel only closes, and the next error shows its report ready to send.
    m_window.errorDetected(errnum::FileNotFound, u"File not found"_s, u"first / place()"_s);
    m_window.errorDetected(errnum::PathNotFound, u"Path not found"_s, u"second / place()"_s);
    EXPECT_TRUE(report().startsWith(u"Error 76 (Path not found) in second / place()\n"_s));
    EXPECT_FALSE(report().contains(u"File not found"_s));
    EXPECT_TRUE(ready());
    m_window.CancelButton->click();
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_EQ(m_server.requests().size(), 1);

    // A silent server cannot hold the window, and nothing is sent twice.
    m_server.neverAnswer();
    m_window.setSendTimeLimit(500ms);
    m_window.errorDetected(5, u"Invalid procedure call"_s, u"Header / Timer1_Timer()"_s);
    bool sending = false;
    QTimer::singleShot(200, &m_window, [&] {
        sending = m_window.pleaseWait->isVisible() && !m_window.errorMessage->isVisible() &&
                  !m_window.OKButton->isEnabled() && !m_window.CancelButton->isEnabled() &&
                  !m_window.ExitButton->isEnabled();
        m_window.OKButton->click();
        m_window.ExitButton->click();
    });
    QElapsedTimer clock;
    clock.start();
    m_window.OKButton->click();
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(sending);
    EXPECT_FALSE(m_window.isVisible());
    EXPECT_EQ(m_server.requests().size(), 2);
    EXPECT_TRUE(m_exitCodes.isEmpty());
    m_window.errorDetected(errnum::Database, u"Database locked"_s, u"fourth / place()"_s);
    m_window.ExitButton->click();
    EXPECT_EQ(m_exitCodes, QList<int>({1}));
}

TEST_F(ErrorWindow, AnErrorWhileTheWindowFillsItselfDoesNotLoop) {
    int probed = 0;
    error window({[&] {
                      ++probed;
                      koa::errorDetected(5, u"probe failed"_s, u"probe"_s);
                      return 120;
                  },
                  [] { return 1; },
                  {}});
    setErrorSink(
        [&](const ErrorReport& r) { window.errorDetected(r.number, r.description, r.location); });
    window.errorDetected(errnum::FileNotFound, u"File not found"_s, u"a / b()"_s);
    setErrorSink({});
    EXPECT_EQ(probed, 1);
    EXPECT_TRUE(window.errorMessage->toPlainText().startsWith(u"Error 53 (File not found)"_s));
}

TEST_F(ErrorWindow, ExitKoaEndsAtOnceLeavingTheCourseToRescue) {
    QTemporaryDir dir;
    const QString root = dir.filePath(u"koa"_s);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {u"--child"_s, u"exit-from-error"_s, root});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 1) << child.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(root + u"/temp/koa.kod"_s));
    EXPECT_TRUE(anchorAt(root)->files().rescueNeeded());
}
