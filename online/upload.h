#pragma once

#include "account.h"
#include "curlrequest.h"
#include "server.h"

#include <functional>

#include <QString>

namespace koa::online {

// Publishing the open course: the FTP connection test, the account check,
// the registration, the staged package, the size check against the server's
// limit, the transfer and the confirmation. What the progress window shows
// goes out through the handlers, so the window and koa-tool share it.
class Upload {
public:
    struct Settings {
        QString workingFolder; // the open course
        QString uploadFolder;  // the staging folder, made anew each time
        QString displayName;
        Account account;
        QString ftpUser = QString::fromUtf16(FtpUser);
        QString ftpPassword = QString::fromUtf16(FtpPassword);
    };
    explicit Upload(Settings settings);

    // lblState, lblStatus, lblFileSize, lblUploadTime and the progress bar.
    std::function<void(const QString&)> showState;
    std::function<void(const QString&)> showStatus;
    std::function<void(const QString&)> showFileSize;
    std::function<void(const QString&)> showUploadTime;
    std::function<void(int done, int total)> showProgress;
    // The editor windows take no input while the course is copied.
    std::function<void(bool locked)> lockEditors;
    // The clock runs while the package is sent.
    std::function<void(bool running)> runClock;

    // Connects and lists the start folder within `timeoutSeconds`.
    bool connectFTPServer(int timeoutSeconds);
    void disconnectFTPServer();
    bool connected() const { return m_connected; }
    // The whole upload; true when the server has confirmed it.
    bool UpLoad(bool readOnly);
    // Stops a running transfer within a second; the upload then fails.
    void Abort();

    CurlRequest& http() { return m_http; }
    Server server();

    // Size in KB (bytes / 1024); -1 when the file cannot be read.
    static double GetFileSize(const QString& path);
    // "1h 2m 5s", "1m 15s", "40s".
    static QString Ctime(double seconds);
    // The three estimates of the upload time label for `kb`.
    static QString uploadTimes(double kb);
    // A package of `kb` is too large for the server's limit: at the limit too.
    static bool exceedsLimit(double kb, int limitKb) { return kb >= limitKb; }
    static QString stateText(int state);

private:
    enum class Sent { Yes, Refused, Failed };
    Sent sendPackage(int id, bool readOnly);
    bool ftp(const QString& path, const QString& uploadFile = QString());
    void show(const std::function<void(const QString&)>& to, const QString& text) const;

    Settings m_settings;
    CurlRequest m_http;
    CurlRequest m_ftp;
    bool m_connected = false;
    bool m_failed = false;
    bool m_aborting = false;
};

} // namespace koa::online
