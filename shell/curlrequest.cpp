#include "curlrequest.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <curl/curl.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace koa::shell {

struct CurlRequest::Transfer {
    Transfer() : curl(curl_easy_init()) {}
    ~Transfer() {
        if (curl)
            curl_easy_cleanup(curl);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* curl;
    char errorText[CURL_ERROR_SIZE] = {};
    QByteArray body;
    qsizetype maxBody = 0;
    bool tooLarge = false;
    CURLcode code = CURLE_OK;
    std::atomic<bool> abort{false};
    std::atomic<bool> done{true};
};

namespace {

bool curlStarted() {
    // Once per process, before any handle exists; the static makes it thread-safe.
    static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return started;
}

template <typename Transfer> size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->body.size() + static_cast<qsizetype>(bytes) > t->maxBody) {
        t->tooLarge = true;
        return 0; // curl ends the transfer with a write error
    }
    t->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

template <typename Transfer>
int checkAbort(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->abort ? 1 : 0;
}

// Handles the events of this thread until `done` is set or the deadline passes.
void waitFor(const std::atomic<bool>& done, const QDeadlineTimer& deadline,
             QEventLoop::ProcessEventsFlags flags) {
    if (done)
        return;
    if (!QCoreApplication::instance()) {
        while (!done && !deadline.hasExpired())
            std::this_thread::sleep_for(10ms);
        return;
    }
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec(flags);
}

} // namespace

CurlRequest::CurlRequest(const QUrl& url) : m_url(url) {
    if (curlStarted())
        m_transfer = std::make_shared<Transfer>();
}

CurlRequest::~CurlRequest() = default;

CurlRequest::Result CurlRequest::perform() {
    Result result;
    if (!m_transfer && curlStarted())
        m_transfer = std::make_shared<Transfer>();
    if (!m_transfer || !m_transfer->curl) {
        result.error = u"libcurl could not be started"_s;
        return result;
    }
    Transfer& t = *m_transfer;
    if (!t.done) {
        // Called again from an event handled while this request waits.
        result.error = u"The request is still running"_s;
        return result;
    }
    if (!m_url.isValid() || m_url.isRelative()) {
        result.error = u"Invalid address: "_s + m_url.toString();
        return result;
    }

    const long limit = std::max(1L, static_cast<long>(m_timeLimit.count()));
    CURL* h = t.curl;
    curl_easy_setopt(h, CURLOPT_URL, m_url.toEncoded().constData());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    // Signals would hit whichever thread happens to run.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limit);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::min(limit, 10000L));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "KOA/" KOA_VERSION_TEXT);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.errorText);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody<Transfer>);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &checkAbort<Transfer>);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    t.errorText[0] = '\0';
    t.body.clear();
    t.maxBody = m_maxBody;
    t.tooLarge = false;
    t.abort = false;
    t.done = false;

    // The thread shares the transfer, so a thread that outlives this call
    // never works on freed memory.
    std::thread worker([transfer = m_transfer] {
        transfer->code = curl_easy_perform(transfer->curl);
        transfer->done = true;
    });
    // curl keeps the time limit itself; this deadline holds should it fail to.
    waitFor(t.done, QDeadlineTimer(m_timeLimit + 2s), m_waitEvents);
    if (!t.done) {
        t.abort = true; // curl asks at least once a second
        waitFor(t.done, QDeadlineTimer(2s), m_waitEvents);
    }
    const QString late = u"No answer within %1 ms"_s.arg(m_timeLimit.count());
    if (!t.done) {
        // Stuck beyond reach: the thread ends alone with its handle, and the
        // next request gets a new one.
        worker.detach();
        m_transfer.reset();
        result.error = late;
        return result;
    }
    worker.join();

    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    result.status = static_cast<int>(status);
    result.body = std::move(t.body);
    t.body = QByteArray();
    if (t.code != CURLE_OK) {
        if (t.tooLarge)
            result.error = u"The answer is larger than %1 bytes"_s.arg(m_maxBody);
        else if (t.abort)
            result.error = late;
        else
            result.error =
                QString::fromUtf8(t.errorText[0] ? t.errorText : curl_easy_strerror(t.code));
    } else if (status < 200 || status > 299) {
        result.error = u"HTTP status %1"_s.arg(status);
    } else {
        result.ok = true;
    }
    return result;
}

} // namespace koa::shell
