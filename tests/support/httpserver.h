#pragma once

#include <functional>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace koa::test {

// A tiny HTTP/1.1 server on 127.0.0.1 and a free port. It records every
// request and answers each (200 "OK" until told otherwise), optionally late.
// It works on the test's thread, so it answers while that thread handles
// events, as it does while a request waits.
class HttpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;                    // path and query as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        qint64 arrived = 0;   // milliseconds since the server started
        qint64 answered = -1; // the same, -1 while unanswered
    };
    using Answer = std::function<QByteArray(const Request&)>;

    HttpServer();

    quint16 port() const { return m_server.serverPort(); }
    QString address() const; // "http://127.0.0.1:PORT"
    // Each request gets `status` and the body `answer` makes of it.
    void answerBy(Answer answer, int status = 200) {
        m_answer = std::move(answer);
        m_status = status;
    }
    void answerWith(int status, const QByteArray& body) {
        answerBy([body](const Request&) { return body; }, status);
    }
    void delayAnswers(int milliseconds) { m_delayMs = milliseconds; }
    // Requests are read and recorded but never answered.
    void neverAnswer() { m_silent = true; }
    const QList<Request>& requests() const { return m_requests; }

private:
    // Takes the complete requests off the front of `pending`.
    void serve(QTcpSocket* socket, QByteArray& pending);

    QTcpServer m_server;
    QElapsedTimer m_clock;
    QList<Request> m_requests;
    int m_status = 200;
    Answer m_answer;
    int m_delayMs = 0;
    bool m_silent = false;
};

} // namespace koa::test
