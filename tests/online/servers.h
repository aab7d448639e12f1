#pragma once

// The publishing server's script and a real FTP server on 127.0.0.1, both
// reached under the server setting "koa.test".
#include "online/curlrequest.h"
#include "tests/support/helpers.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace koa::test {

using namespace Qt::Literals::StringLiterals;
using online::CurlRequest;

// The publishing server's script on 127.0.0.1: one answer per action,
// optionally late, with each request's arrival and answer times.
class ScriptServer {
public:
    struct Request {
        QByteArray target;
        qint64 arrived = 0;
        qint64 answered = -1;
    };
    ScriptServer() {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        m_clock.start();
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { serve(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        // The server setting "koa.test" reaches this server, and only this one:
        // a request that arrives went to "www." and the script's name.
        CurlRequest::setConnectTo({u"www.koa.test:80:127.0.0.1:%1"_s.arg(m_server.serverPort())});
    }
    ~ScriptServer() { CurlRequest::setConnectTo({}); }
    quint16 port() const { return m_server.serverPort(); }
    QMap<QString, QByteArray> answers;
    int delayMs = 0;
    QList<Request> requests;

private:
    void serve(QTcpSocket* socket) {
        // The request's head may come in parts.
        const qsizetype end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray target = socket->read(end + 4).split(' ').value(1);
        const qsizetype index = requests.size();
        requests.append({target, m_clock.elapsed()});
        const QString action =
            QUrlQuery(QUrl::fromEncoded(target).query()).queryItemValue(u"action"_s);
        const QByteArray body = answers.value(action, "false");
        QTimer::singleShot(delayMs, socket, [this, socket, body, index] {
            requests[index].answered = m_clock.elapsed();
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
    QTcpServer m_server;
    QElapsedTimer m_clock;
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
