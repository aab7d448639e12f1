#pragma once

#include "online/upload.h"

#include <functional>

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace koa::online {

// "File upload": the FTP connection and the upload of the open course, with
// its state, the connection's status, the package's size, the estimated
// upload times and the clock.
class progress : public QDialog {
    Q_OBJECT
public:
    // `lockEditors` takes the editor windows' input away while the course is copied.
    progress(Upload::Settings settings, std::function<void(bool)> lockEditors,
             QWidget* parent = nullptr);

    // Connects with the fixed account and lists the start folder.
    bool connectFTPServer(int timeoutSeconds);
    void disconnectFTPServer();
    bool connected() const { return m_upload.connected(); }
    // The whole upload; the OK button shows when it has ended.
    bool UpLoad(bool readOnly);
    Server server() { return m_upload.server(); }
    const Account& account() const { return m_account; }

    QLabel* lblState = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblFileSize = nullptr;
    QLabel* lblApprox = nullptr;
    QLabel* lblUploadTime = nullptr;
    QLabel* lblClock = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* cmdAbort = nullptr;
    QPushButton* cmdOK = nullptr;
    QTimer Timer1; // the clock

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1_Timer();
    void cmdAbort_Click();

    Account m_account;
    Upload m_upload;
    int m_elapsed = 0;
    bool m_running = false;
};

} // namespace koa::online
