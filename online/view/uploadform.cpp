#include "uploadform.h"

#include "progress.h"
#include "shell/buttonrow.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/wait.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

uploadform::uploadform(Upload::Settings settings, std::function<void(bool)> lockEditors,
                       QWidget* parent)
    : QDialog(parent), m_displayName(settings.displayName),
      m_progress(std::make_unique<progress>(std::move(settings), std::move(lockEditors))) {
    setObjectName(u"uploadform"_s);
    setWindowTitle(u"KOA upload"_s);
    auto* frame = new QGroupBox(u"Upload form"_s, this);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(new QLabel(u"Terms of service"_s, frame));
    txtTos = new QTextEdit(frame);
    txtTos->setObjectName(u"txtTos"_s);
    txtTos->setReadOnly(true);
    txtTos->setAcceptRichText(false);
    inner->addWidget(txtTos, 1);
    const auto box = [&](const QString& name, const QString& text) {
        auto* b = new QCheckBox(text, frame);
        b->setObjectName(name);
        inner->addWidget(b);
        return b;
    };
    chkConnection = box(u"chkConnection"_s, u"Checking connection"_s);
    chkUser = box(u"chkUser"_s, u"Checking user"_s);
    chkAgree = box(u"chkAgree"_s, u"I agree to the terms of service"_s);
    chkReadOnly = box(u"chkReadOnly"_s, u"I want to make the file read only"_s);
    // The two checks report what the window found; a click changes nothing.
    for (QCheckBox* check : {chkConnection, chkUser}) {
        check->setAttribute(Qt::WA_TransparentForMouseEvents);
        check->setFocusPolicy(Qt::NoFocus);
        check->setEnabled(false); // grey while pending
    }
    chkAgree->setEnabled(false);
    chkReadOnly->hide();
    lblOK = new QLabel(frame);
    lblOK->setObjectName(u"lblOK"_s);
    lblOK->setTextFormat(Qt::PlainText);
    lblOK->setWordWrap(true);
    inner->addWidget(lblOK);

    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    QHBoxLayout* buttons = shell::buttonRow({cmdOK, cmdCancel});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    resize(520, 480);

    connect(&Timer1, &QTimer::timeout, this, &uploadform::Timer1_Timer);
    connect(chkAgree, &QCheckBox::clicked, this, &uploadform::chkAgree_Click);
    connect(cmdOK, &QPushButton::clicked, this, &uploadform::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &uploadform::cmdCancel_Click);
}

uploadform::~uploadform() = default;

void uploadform::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // The checks run once the window is on screen.
        QTimer::singleShot(0, this, &uploadform::Form_Activate);
    }
}

void uploadform::Form_Activate() {
    trap(u"uploadform / Form_Activate()"_s, [&] {
        txtTos->setPlainText(u"Reading TOS from server..."_s);
        Timer1.start(500);
        if (!m_progress->connectFTPServer(10)) {
            Timer1.stop();
            m_progress->disconnectFTPServer();
            interaction().message(
                u"Cannot connect to KOA ftp server. Check your internet connection."_s);
            return;
        }
        m_progress->disconnectFTPServer();
        setDone(chkConnection);
        const Account& a = m_progress->account();
        if (!m_progress->server().CheckUser(a.user, a.password)) {
            Timer1.stop();
            interaction().message(
                u"User does not exist or wrong password. Check your user settings."_s);
            return;
        }
        setDone(chkUser);
        chkAgree->setEnabled(true);
        // The server's text is shown as text, never as markup.
        txtTos->setPlainText(m_progress->server().termsOfService());
    });
    Timer1.stop();
    // A check that did not pass shows no tick.
    for (QCheckBox* check : {chkConnection, chkUser}) {
        if (!check->isEnabled())
            check->setChecked(false);
    }
}

void uploadform::setDone(QCheckBox* box) {
    box->setEnabled(true);
    box->setChecked(true);
}

void uploadform::Timer1_Timer() {
    bool pending = false;
    for (QCheckBox* check : {chkConnection, chkUser}) {
        if (!check->isEnabled()) {
            check->setChecked(!check->isChecked());
            pending = true;
        }
    }
    if (!pending)
        Timer1.stop();
}

void uploadform::chkAgree_Click() {
    const bool agreed = chkAgree->isChecked();
    cmdOK->setEnabled(agreed);
    if (agreed) {
        lblOK->setText(u"Press OK to start uploading '"_s + m_displayName + u"'"_s);
        chkReadOnly->show();
    }
}

void uploadform::cmdOK_Click() {
    bool gone = false;
    trap(u"uploadform / cmdOK_Click()"_s, [&] {
        hide();
        progress& p = *m_progress;
        p.show();
        p.raise();
        p.UpLoad(chkReadOnly->isChecked());
        // The window shows how the upload ended until its OK closes it; the
        // author may meanwhile end the program, which takes this form along.
        if (waitUntil([&p] { return !p.isVisible(); },
                      {.deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                       .guard = this,
                       .input = WaitInput::Allowed}) == WaitEnd::GuardGone)
            gone = true;
    });
    if (!gone)
        accept();
}

void uploadform::cmdCancel_Click() {
    m_progress->close();
    reject();
}

} // namespace koa::online
