#include "tests/support/httpserver.h"

#include <memory>

#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

HttpServer::HttpServer() {
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0))
        << m_server.errorString().toStdString();
    m_clock.start();
    answerWith(200, "OK");
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto pending = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
                pending->append(socket->readAll());
                serve(socket, *pending);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString HttpServer::address() const {
    return u"http://127.0.0.1:"_s + QString::number(port());
}

void HttpServer::serve(QTcpSocket* socket, QByteArray& pending) {
    for (;;) {
        const qsizetype headEnd = pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QList<QByteArray> lines = pending.left(headEnd).split('\n');
        Request r;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        r.method = requestLine.value(0);
        r.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                r.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                 lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = r.headers.value("content-length").toLongLong();
        if (pending.size() < headEnd + 4 + length)
            return;
        r.body = pending.mid(headEnd + 4, length);
        pending.remove(0, headEnd + 4 + length);
        r.arrived = m_clock.elapsed();
        m_requests.append(r);
        if (m_silent)
            continue;
        const QByteArray body = m_answer(r);
        const QByteArray reason = m_status == 200 ? "OK" : m_status == 404 ? "Not Found" : "Status";
        const QByteArray reply =
            "HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason +
            "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        QTimer::singleShot(m_delayMs, socket, [this, socket, reply, n = m_requests.size() - 1] {
            m_requests[n].answered = m_clock.elapsed();
            socket->write(reply);
            socket->disconnectFromHost();
        });
        return;
    }
}

} // namespace koa::test
