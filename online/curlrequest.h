#pragma once

#include "store/wait.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace koa::online {

// The program's one transfer client over libcurl: HTTP GET for the server's
// queries and the error report, FTP listing and upload for publishing.
// perform() lets curl work on a thread of its own while the calling thread
// keeps handling events, so the windows keep painting; every transfer ends
// within its time limit, and an answer beyond the cap fails.
class CurlRequest {
public:
    struct Result {
        bool ok = false; // transferred, and for HTTP answered with a 2xx status
        int status = 0;  // the HTTP status or the last FTP reply code; 0 when none
        bool aborted = false;
        QByteArray body;
        QString error; // why it failed; empty when ok
    };
    // What the transfer has done so far, as curl reports it.
    struct Progress {
        qint64 uploaded = 0;
        qint64 uploadTotal = 0;
        qint64 downloaded = 0;
        bool connected = false;
    };

    explicit CurlRequest(const QUrl& url = QUrl());
    ~CurlRequest();
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    void setUrl(const QUrl& url) { m_url = url; }
    // The whole transfer's limit; zero: none (a long upload), then only the
    // stall limit holds.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    std::chrono::milliseconds timeLimit() const { return m_timeLimit; }
    // A transfer that moves no byte for this long fails.
    void setStallLimit(std::chrono::seconds limit) { m_stallLimit = limit; }
    // Events handled while waiting. By default no user input, so that no
    // click starts a second action meanwhile.
    void setWaitInput(WaitInput input) { m_waitInput = input; }
    void setMaxBodySize(qsizetype bytes) { m_maxBody = bytes; }
    // FTP: the account; the FTP listing and upload use explicit TLS when the
    // server offers it.
    void setLogin(const QString& user, const QString& password);
    // FTP: sends this file to the address (a path ending in the file's name);
    // missing folders of the address are made.
    void setUploadFile(const QString& path) { m_uploadFile = path; }
    // Called on the calling thread while the transfer runs (every 50 ms).
    void setProgressHandler(std::function<void(const Progress&)> handler) {
        m_progressHandler = std::move(handler);
    }

    // One request at a time: a second perform() while one runs (from an
    // event handled meanwhile) waits until the first transfer has ended.
    Result perform();
    bool StillExecuting() const;
    // Stops the running transfer within a second; its perform() fails with
    // `aborted` set.
    void Cancel();

    // Tests reach named servers on the loopback: entries in curl's
    // "HOST:PORT:CONNECT-TO-HOST:CONNECT-TO-PORT" form.
    static void setConnectTo(const QStringList& entries);

    struct Transfer; // shared with the thread that runs it

private:
    std::shared_ptr<Transfer> m_running;
    QUrl m_url;
    std::chrono::milliseconds m_timeLimit{30000};
    std::chrono::seconds m_stallLimit{0};
    WaitInput m_waitInput = WaitInput::Excluded;
    qsizetype m_maxBody = 16 * 1024 * 1024;
    QByteArray m_user;
    QByteArray m_password;
    QString m_uploadFile;
    std::function<void(const Progress&)> m_progressHandler;
};

} // namespace koa::online
