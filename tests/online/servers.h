#pragma once

// The publishing server's script and a real FTP server on 127.0.0.1, both
// reached under the server setting "koa.test".
#include "online/curlrequest.h"
#include "tests/support/helpers.h"
#include "tests/support/httpserver.h"

#include <QProcess>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace koa::test {

using namespace Qt::Literals::StringLiterals;
using online::CurlRequest;

// The publishing server's script: one answer per action, "false" to others.
class ScriptServer : public HttpServer {
public:
    ScriptServer() {
        answerBy([this](const Request& r) {
            return answers.value(
                QUrlQuery(QUrl::fromEncoded(r.target).query()).queryItemValue(u"action"_s),
                "false");
        });
        // The server setting "koa.test" reaches this server, and only this one:
        // a request that arrives went to "www." and the script's name.
        CurlRequest::setConnectTo({u"www.koa.test:80:127.0.0.1:%1"_s.arg(port())});
    }
    ~ScriptServer() { CurlRequest::setConnectTo({}); }
    QMap<QString, QByteArray> answers;
};

// The script server answers for "koa.test"; the FTP port is `ftpPort`.
inline void reach(const ScriptServer& script, quint16 ftpPort) {
    CurlRequest::setConnectTo({u"www.koa.test:80:127.0.0.1:%1"_s.arg(script.port()),
                               u"koa.test:21:127.0.0.1:%1"_s.arg(ftpPort)});
}

// pyftpdlib with the publishing account over `root`, reached with `script` under
// "koa.test"; `bytesPerSecond` slows uploads.
class FtpServer {
public:
    FtpServer(const ScriptServer& script, const QString& root, int bytesPerSecond = 0) {
        m_process.start(u"/usr/bin/python3"_s, {QStringLiteral(KOA_FTP_SERVER_SCRIPT), root,
                                                QString::number(bytesPerSecond)});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) {
        }
        const QByteArray line = m_process.readLine().trimmed();
        m_port = line.split(' ').value(1).toUShort();
        EXPECT_NE(m_port, 0) << "the FTP server did not start: " << line.toStdString()
                             << m_process.readAllStandardError().toStdString();
        reach(script, m_port);
    }
    ~FtpServer() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace koa::test
