#include "progress.h"

#include "shell/buttonrow.h"
#include "store/errors.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

progress::progress(Upload::Settings settings, std::function<void(bool)> lockEditors,
                   QWidget* parent)
    : QDialog(parent), m_account(settings.account), m_upload(std::move(settings)) {
    setObjectName(u"progress"_s);
    setWindowTitle(u"File upload"_s);
    // Only Abort reaches the program while the package is sent.
    setWindowModality(Qt::ApplicationModal);
    const auto label = [this](const QString& name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        // What the server or the course names is shown as it is, never as markup.
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    lblState = label(u"lblState"_s, u"Working..."_s);
    lblState->setWordWrap(true);
    lblStatus = label(u"lblStatus"_s, u"Not connected"_s);
    lblFileSize = label(u"lblFileSize"_s, u"File size:"_s);
    lblApprox = label(u"lblApprox"_s, u"Approximate upload times:"_s);
    lblUploadTime = label(u"lblUploadTime"_s, QString());
    lblClock = label(u"lblClock"_s, QString());
    lblApprox->hide();
    lblUploadTime->hide();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setValue(0);
    cmdAbort = new QPushButton(u"Abort"_s, this);
    cmdAbort->setObjectName(u"cmdAbort"_s);
    cmdAbort->setToolTip(u"Abort current upload"_s);
    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblState);
    layout->addWidget(lblStatus);
    layout->addWidget(lblFileSize);
    layout->addWidget(lblApprox);
    layout->addWidget(lblUploadTime);
    layout->addWidget(ProgressBar1);
    layout->addLayout(shell::buttonRow({cmdAbort, cmdOK}, {lblClock}));
    setMinimumWidth(480);

    m_upload.showState = [this](const QString& t) {
        lblState->setText(t);
    };
    m_upload.showStatus = [this](const QString& t) {
        lblStatus->setText(t);
    };
    m_upload.showFileSize = [this](const QString& t) {
        lblFileSize->setText(t);
    };
    m_upload.showUploadTime = [this](const QString& t) {
        lblUploadTime->setText(t);
        lblApprox->show();
        lblUploadTime->show();
    };
    m_upload.showProgress = [this](int done, int total) {
        ProgressBar1->setRange(0, std::max(total, 1));
        ProgressBar1->setValue(done);
    };
    m_upload.lockEditors = std::move(lockEditors);
    m_upload.runClock = [this](bool running) {
        if (running) {
            m_elapsed = 0;
            lblClock->setText(Upload::Ctime(0));
            Timer1.start(1000);
        } else {
            Timer1.stop();
        }
    };
    connect(&Timer1, &QTimer::timeout, this, &progress::Timer1_Timer);
    connect(cmdAbort, &QPushButton::clicked, this, &progress::cmdAbort_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

bool progress::connectFTPServer(int timeoutSeconds) {
    return trapped<bool>(u"progress / connectFTPServer()"_s, false,
                         [&] { return m_upload.connectFTPServer(timeoutSeconds); });
}

void progress::disconnectFTPServer() {
    m_upload.disconnectFTPServer();
}

bool progress::UpLoad(bool readOnly) {
    m_running = true;
    const bool done =
        trapped<bool>(u"progress / UpLoad()"_s, false, [&] { return m_upload.UpLoad(readOnly); });
    m_running = false;
    Timer1.stop();
    cmdAbort->setEnabled(false);
    cmdOK->show();
    return done;
}

void progress::Timer1_Timer() {
    ++m_elapsed;
    lblClock->setText(Upload::Ctime(m_elapsed));
}

void progress::cmdAbort_Click() {
    trap(u"progress / cmdAbort_Click()"_s, [&] { m_upload.Abort(); });
}

void progress::closeEvent(QCloseEvent* event) {
    // Closing the window during the upload stops it, as Abort does; the
    // window stays to show how the upload ended.
    if (m_running) {
        m_upload.Abort();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace koa::online
