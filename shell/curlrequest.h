#pragma once

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QEventLoop>
#include <QString>
#include <QUrl>

namespace koa::shell {

// One libcurl handle for transfers to the maker's and the user's servers
// (HTTP GET so far). perform() lets curl work on a thread of its own while
// the calling thread keeps handling events, so the windows keep painting,
// and every transfer ends within its time limit.
class CurlRequest {
public:
    struct Result {
        bool ok = false; // transferred, and for HTTP answered with a 2xx status
        int status = 0;  // the HTTP status; 0 when no answer came
        QByteArray body;
        QString error; // why it failed; empty when ok
    };

    explicit CurlRequest(const QUrl& url = QUrl());
    ~CurlRequest();
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    void setUrl(const QUrl& url) { m_url = url; }
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    // Events handled while waiting. By default no user input, so that no
    // click starts a second action meanwhile.
    void setWaitEvents(QEventLoop::ProcessEventsFlags flags) { m_waitEvents = flags; }
    // A longer answer fails instead of filling the memory.
    void setMaxBodySize(qsizetype bytes) { m_maxBody = bytes; }

    Result perform();

private:
    struct Transfer;
    std::shared_ptr<Transfer> m_transfer;
    QUrl m_url;
    std::chrono::milliseconds m_timeLimit{30000};
    QEventLoop::ProcessEventsFlags m_waitEvents = QEventLoop::ExcludeUserInputEvents;
    qsizetype m_maxBody = 16 * 1024 * 1024;
};

} // namespace koa::shell
