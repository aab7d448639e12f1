#include "upload.h"

#include "staging.h"
#include "store/coursedb.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"

#include <cmath>

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace koa::online {

namespace {
enum State {
    Unknown = 0,
    Connecting = 3,
    Connected = 4,
    SendingRequest = 5,
    RequestSent = 6,
    ReceivingData = 7,
    DataReceived = 8,
    NotConnected = 10,
};
const QString crlf = u"\r\n"_s;
} // namespace

Upload::Upload(Settings settings) : m_settings(std::move(settings)) {
    m_http.setTimeLimit(20s);
    // The Abort button must reach a running transfer.
    m_ftp.setWaitInput(WaitInput::Allowed);
}

Server Upload::server() {
    return Server(m_http, BaseDirs::SetBaseDirs(m_settings.account.server).http);
}

void Upload::show(const std::function<void(const QString&)>& to, const QString& text) const {
    if (to)
        to(text);
}

QString Upload::stateText(int state) {
    static const QStringList texts = {u"Unknown State Possible Error"_s,
                                      u"Resolving Host..."_s,
                                      u"Host Resolved - IP Address Found"_s,
                                      u"Connecting..."_s,
                                      u"Connected"_s,
                                      u"Sending Request..."_s,
                                      u"Request Sent"_s,
                                      u"Receiving Data..."_s,
                                      u"Data Received"_s,
                                      u"Disconnecting..."_s,
                                      u"Not connected"_s};
    return texts.value(state);
}

// One FTP command: a listing of `path` (the connection test and changing
// folders) or the upload of a file to it. The state texts follow curl's progress.
bool Upload::ftp(const QString& path, const QString& uploadFile) {
    QUrl url(BaseDirs::SetBaseDirs(m_settings.account.server).ftp);
    url.setPath(path);
    m_ftp.setUrl(url);
    m_ftp.setLogin(m_settings.ftpUser, m_settings.ftpPassword);
    m_ftp.setUploadFile(uploadFile);
    int last = -1;
    m_ftp.setProgressHandler([&](const CurlRequest::Progress& p) {
        int state = Connecting;
        if (p.connected)
            state = uploadFile.isEmpty() ? (p.downloaded > 0 ? ReceivingData : Connected)
                                         : (p.uploaded > 0 ? SendingRequest : Connected);
        if (state != last) {
            last = state;
            show(showStatus, stateText(state));
        }
        if (!uploadFile.isEmpty() && p.uploadTotal > 0 && showProgress)
            showProgress(static_cast<int>(p.uploaded * 1000 / p.uploadTotal), 1000);
    });
    const CurlRequest::Result r = m_ftp.perform();
    m_ftp.setProgressHandler({});
    if (r.ok) {
        show(showStatus, stateText(uploadFile.isEmpty() ? DataReceived : RequestSent));
        return true;
    }
    if (!m_aborting)
        show(showStatus, QString::number(r.status) + u": "_s + r.error);
    m_connected = false;
    show(showStatus, stateText(NotConnected));
    return false;
}

bool Upload::connectFTPServer(int timeoutSeconds) {
    disconnectFTPServer();
    show(showStatus, stateText(Connecting));
    m_ftp.setTimeLimit(std::chrono::seconds(timeoutSeconds));
    m_ftp.setStallLimit(std::chrono::seconds(timeoutSeconds));
    if (ftp(u"/"_s) && IsNetConnected()) {
        m_connected = true;
        show(showStatus, stateText(Connected));
    }
    return m_connected;
}

void Upload::disconnectFTPServer() {
    m_ftp.Cancel();
    m_connected = false;
    show(showStatus, stateText(NotConnected));
}

void Upload::Abort() {
    show(showStatus, u"Aborting..."_s);
    m_aborting = true;
    disconnectFTPServer();
}

double Upload::GetFileSize(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? static_cast<double>(info.size()) / 1024.0 : -1;
}

QString Upload::Ctime(double seconds) {
    // Rounded once, so 59.6 seconds read "1m 0s", not "0s".
    const long long total = std::llround(std::max(0.0, seconds));
    const long long h = total / 3600;
    const long long m = total / 60 - 60 * h;
    const long long s = total % 60;
    QString text;
    if (h > 0)
        text += QString::number(h) + u"h "_s;
    if (m > 0 || h > 0)
        text += QString::number(m) + u"m "_s;
    return text + QString::number(s) + u"s"_s;
}

QString Upload::uploadTimes(double kb) {
    return u"56 K: "_s + Ctime(kb * 8 / 44) + u"       0.5 M: "_s + Ctime(kb * 8 / 500) +
           u"       10 M: "_s + Ctime(kb * 8 / 8000);
}

bool Upload::UpLoad(bool readOnly) {
    m_failed = false;
    m_aborting = false;
    bool confirmed = false;
    const QString name = m_settings.displayName;
    if (connectFTPServer(20))
        m_connected = ftp(u"/KOA/upload/"_s);
    if (!m_connected) {
        show(showState, u"No connection yet"_s);
        return false;
    }
    // The transfer itself may take long; only a stall ends it.
    m_ftp.setTimeLimit(0ms);
    m_ftp.setStallLimit(20s);
    show(showState, u"Uploading file: "_s + name + crlf + u"Initiating upload."_s);
    trap(u"progress / UpLoad()"_s, [&] {
        Server s = server();
        if (!s.CheckUser(m_settings.account.user, m_settings.account.password)) {
            show(showState, u"You are not a registered user or your login data is wrong"_s);
            return;
        }
        const std::optional<HeaderFields> header =
            readHeader(m_settings.workingFolder + u"/koa.kod"_s);
        const QString version =
            Database(m_settings.workingFolder + u"/koa.kod"_s, Database::Mode::ReadOnly)
                .scalar(u"SELECT version FROM header LIMIT 1"_s)
                .toString();
        const int id =
            s.registerUpload(m_settings.account.user, name, header ? header->title : QString(),
                             header ? header->author : QString(), version);
        show(showStatus, u"Uploading file..."_s);
        const Sent sent = sendPackage(id, readOnly);
        if (sent == Sent::Refused)
            return;
        if (sent == Sent::Failed || m_failed) {
            show(showState, u"Upload failed. Check your internet connection."_s);
            return;
        }
        confirmed = s.confirmUpload(id);
        show(showState, confirmed ? u"Upload complete."_s
                                  : u"File uploaded, but with server problem. File will not be "
                                    "accessible."_s +
                                        crlf + u"Please contact Webmaster at KOA homepage."_s);
    });
    if (runClock)
        runClock(false);
    show(showStatus, stateText(Connected));
    disconnectFTPServer();
    return confirmed;
}

Upload::Sent Upload::sendPackage(int id, bool readOnly) {
    if (!enoughFreeSpace(m_settings.workingFolder, QFileInfo(m_settings.uploadFolder).path())) {
        show(showState,
             u"You do not have enough free space on you system drive to perform this task."_s);
        return Sent::Refused;
    }
    show(showState, u"Locking KOA during initiation of upload."_s + crlf +
                        u"Will unlock when file transfer begins."_s);
    if (lockEditors)
        lockEditors(true);
    Staging staging(m_settings.workingFolder, m_settings.uploadFolder);
    staging.setProgress(showProgress);
    QString package;
    try {
        package = staging.stage(id, readOnly);
    } catch (...) {
        if (lockEditors)
            lockEditors(false);
        throw;
    }
    if (lockEditors)
        lockEditors(false);
    show(showState,
         u"Uploading file: "_s + m_settings.displayName + crlf + u"Please wait while uploading."_s);

    const double size = GetFileSize(package);
    const int limit = server().GetMaxFileSize();
    const QString sizeText = QString::number(std::llround(size));
    if (exceedsLimit(size, limit)) {
        show(showFileSize, u"File size: "_s + sizeText +
                               u" KB - exceeding maximum upload size of "_s +
                               QString::number(limit) + u" KB. Cannot upload file."_s);
        return Sent::Refused;
    }
    show(showFileSize, u"File size: "_s + sizeText + u" kb"_s);
    show(showUploadTime, uploadTimes(size));
    if (runClock)
        runClock(true);
    const QString idText = QString::number(id);
    const bool sent = ftp(u"/KOA/upload/"_s + idText + u'/' + idText + u".kof"_s, package);
    if (runClock)
        runClock(false);
    if (!sent)
        m_failed = true;
    return sent ? Sent::Yes : Sent::Failed;
}

} // namespace koa::online
