#include "curlrequest.h"

#include "store/wait.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <thread>

#include <QDeadlineTimer>
#include <QFile>

#include <curl/curl.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace koa::online {

struct CurlRequest::Transfer {
    Transfer() : curl(curl_easy_init()) {}
    ~Transfer() {
        if (curl)
            curl_easy_cleanup(curl);
        if (connectTo)
            curl_slist_free_all(connectTo);
        if (upload)
            std::fclose(upload);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* curl;
    curl_slist* connectTo = nullptr;
    std::FILE* upload = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    QByteArray body;
    qsizetype maxBody = 0;
    bool tooLarge = false;
    CURLcode code = CURLE_OK;
    std::atomic<bool> abort{false};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    std::atomic<qint64> uploaded{0};
    std::atomic<qint64> uploadTotal{0};
    std::atomic<qint64> downloaded{0};
    std::atomic<bool> connected{false};
};

namespace {

std::mutex connectToMutex;
QStringList connectToEntries;

bool curlStarted() {
    // Once per process, before any handle exists; the static makes it thread-safe.
    static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return started;
}

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<CurlRequest::Transfer*>(user);
    const size_t bytes = size * count;
    if (t->body.size() + static_cast<qsizetype>(bytes) > t->maxBody) {
        t->tooLarge = true;
        return 0; // curl ends the transfer with a write error
    }
    t->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int transferInfo(void* user, curl_off_t, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
    auto* t = static_cast<CurlRequest::Transfer*>(user);
    t->downloaded = dlnow;
    t->uploaded = ulnow;
    t->uploadTotal = ultotal;
    if (!t->connected) {
        curl_off_t connectTime = 0;
        if (curl_easy_getinfo(t->curl, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
            connectTime > 0)
            t->connected = true;
    }
    return t->abort ? 1 : 0;
}

} // namespace

CurlRequest::CurlRequest(const QUrl& url) : m_url(url) {}

CurlRequest::~CurlRequest() {
    // A transfer still running (its window closed meanwhile) ends on its own
    // thread with its own handle.
    if (m_running)
        m_running->abort = true;
}

void CurlRequest::setLogin(const QString& user, const QString& password) {
    m_user = user.toUtf8();
    m_password = password.toUtf8();
}

void CurlRequest::setConnectTo(const QStringList& entries) {
    const std::lock_guard lock(connectToMutex);
    connectToEntries = entries;
}

bool CurlRequest::StillExecuting() const {
    return m_running && !m_running->done;
}

void CurlRequest::Cancel() {
    if (m_running && !m_running->done) {
        m_running->cancelled = true;
        m_running->abort = true;
    }
}

CurlRequest::Result CurlRequest::perform() {
    Result result;
    if (!curlStarted()) {
        result.error = u"libcurl could not be started"_s;
        return result;
    }
    const QString scheme = m_url.scheme().toLower();
    const bool ftp = scheme == u"ftp"_s;
    if (!m_url.isValid() || m_url.isRelative() ||
        (scheme != u"http"_s && scheme != u"https"_s && !ftp)) {
        result.error = u"Invalid address: "_s + m_url.toDisplayString(QUrl::RemoveUserInfo);
        return result;
    }
    // The earlier request of this client ends first (an event handled during
    // its wait may have started this one).
    if (StillExecuting()) {
        const std::shared_ptr<Transfer> earlier = m_running;
        waitUntil([&] { return earlier->done.load(); },
                  {.deadline = QDeadlineTimer(QDeadlineTimer::Forever), .input = m_waitInput});
    }

    auto transfer = std::make_shared<Transfer>();
    Transfer& t = *transfer;
    if (!t.curl) {
        result.error = u"libcurl could not be started"_s;
        return result;
    }
    CURL* h = t.curl;
    const long limit = static_cast<long>(m_timeLimit.count());
    curl_easy_setopt(h, CURLOPT_URL, m_url.toEncoded().constData());
    // Signals would hit whichever thread happens to run.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (limit > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limit);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limit > 0 ? std::min(limit, 20000L) : 20000L);
    const long stall =
        m_stallLimit.count() > 0 ? static_cast<long>(m_stallLimit.count()) : (limit > 0 ? 0L : 30L);
    if (stall > 0) {
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stall);
    }
    curl_easy_setopt(h, CURLOPT_USERAGENT, "KOA/" KOA_VERSION_TEXT);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.errorText);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &transferInfo);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    if (ftp) {
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(h, CURLOPT_USERNAME, m_user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, m_password.constData());
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
        if (!m_uploadFile.isEmpty()) {
            // The path goes to the system as it is: no shell, no quoting.
            t.upload = std::fopen(QFile::encodeName(m_uploadFile).constData(), "rb");
            if (!t.upload) {
                result.error = u"Cannot read "_s + m_uploadFile;
                return result;
            }
            curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(h, CURLOPT_READDATA, t.upload);
            curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE,
                             static_cast<curl_off_t>(QFile(m_uploadFile).size()));
            curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS,
                             static_cast<long>(CURLFTP_CREATE_DIR));
        }
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 3L);
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    {
        const std::lock_guard lock(connectToMutex);
        for (const QString& entry : std::as_const(connectToEntries))
            t.connectTo = curl_slist_append(t.connectTo, entry.toUtf8().constData());
    }
    if (t.connectTo)
        curl_easy_setopt(h, CURLOPT_CONNECT_TO, t.connectTo);
    t.maxBody = m_maxBody;
    m_running = transfer;

    // The thread shares the transfer, so a thread that outlives this call
    // never works on freed memory.
    std::thread worker([transfer] {
        transfer->code = curl_easy_perform(transfer->curl);
        transfer->done = true;
    });
    const auto report = [&] {
        if (!m_progressHandler)
            return;
        Progress p;
        p.uploaded = t.uploaded;
        p.uploadTotal = t.uploadTotal;
        p.downloaded = t.downloaded;
        p.connected = t.connected;
        m_progressHandler(p);
    };
    // curl keeps the time limit itself; this deadline holds should it fail to.
    const QDeadlineTimer deadline =
        limit > 0 ? QDeadlineTimer(m_timeLimit + 2s) : QDeadlineTimer(QDeadlineTimer::Forever);
    QDeadlineTimer nextReport(50ms);
    waitUntil(
        [&] {
            // Progress goes out every 50 ms while the transfer runs.
            if (nextReport.hasExpired()) {
                report();
                nextReport.setRemainingTime(50ms);
            }
            return t.done.load();
        },
        {.deadline = deadline, .input = m_waitInput, .poll = 50ms});
    if (!t.done) {
        t.abort = true; // curl asks at least once a second
        waitUntil([&] { return t.done.load(); },
                  {.deadline = QDeadlineTimer(2s), .input = m_waitInput});
    }
    const QString late = u"No answer within %1 ms"_s.arg(m_timeLimit.count());
    if (!t.done) {
        // Stuck beyond reach: the thread ends alone with its handle.
        worker.detach();
        result.error = late;
        return result;
    }
    worker.join();
    report();

    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    result.status = static_cast<int>(status);
    result.body = std::move(t.body);
    t.body = QByteArray();
    if (t.code != CURLE_OK) {
        result.aborted = t.cancelled;
        if (t.tooLarge)
            result.error = u"The answer is larger than %1 bytes"_s.arg(m_maxBody);
        else if (t.cancelled)
            result.error = u"Cancelled"_s;
        else if (t.abort)
            result.error = late;
        else
            result.error =
                QString::fromUtf8(t.errorText[0] ? t.errorText : curl_easy_strerror(t.code));
    } else if (!ftp && (status < 200 || status > 299)) {
        result.error = u"HTTP status %1"_s.arg(status);
    } else {
        result.ok = true;
    }
    return result;
}

} // namespace koa::online
