#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace koa::test {

// A tiny HTTP/1.1 server on 127.0.0.1 and a free port. It records every
// request and gives each the same answer (200 "OK" until told otherwise).
// It works on the test's thread, so it answers while that thread handles
// events, as it does while a request waits.
class HttpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;                    // path and query as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    HttpServer();

    quint16 port() const { return m_server.serverPort(); }
    QString address() const; // "http://127.0.0.1:PORT"
    void answerWith(int status, const QByteArray& body);
    // Requests are read and recorded but never answered.
    void neverAnswer() { m_silent = true; }
    const QList<Request>& requests() const { return m_requests; }

private:
    // Takes the complete requests off the front of `pending`.
    void serve(QTcpSocket* socket, QByteArray& pending);

    QTcpServer m_server;
    QList<Request> m_requests;
    int m_status = 200;
    QByteArray m_body = "OK";
    bool m_silent = false;
};

} // namespace koa::test
