#include "onlinesettings.h"

#include "online/account.h"
#include "shell/buttonrow.h"
#include "shell/topmost.h"
#include "store/errors.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

onlineSettings::onlineSettings(QString settingsDatabase, QWidget* parent)
    : QDialog(parent), m_database(std::move(settingsDatabase)) {
    setObjectName(u"onlineSettings"_s);
    setWindowTitle(u"KOA online settings"_s);
    auto* frame = new QGroupBox(u"Settings"_s, this);
    auto* form = new QFormLayout(frame);
    txtServer = new QLineEdit(frame);
    txtServer->setObjectName(u"txtServer"_s);
    txtUser = new QLineEdit(frame);
    txtUser->setObjectName(u"txtUser"_s);
    txtPassword = new QLineEdit(frame);
    txtPassword->setObjectName(u"txtPassword"_s);
    // Shown as dots: the password never appears on screen.
    txtPassword->setEchoMode(QLineEdit::Password);
    form->addRow(u"KOA Server"_s, txtServer);
    form->addRow(u"User name"_s, txtUser);
    form->addRow(u"Password"_s, txtPassword);
    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdApply = new QPushButton(u"Apply"_s, this);
    cmdApply->setObjectName(u"cmdApply"_s);
    QHBoxLayout* buttons = shell::buttonRow({cmdOK, cmdCancel, cmdApply});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(cmdApply, &QPushButton::clicked, this,
            [this] { trap(u"onlineSettings / cmdApply_click()"_s, [&] { saveData(); }); });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        trap(u"onlineSettings / cmdOK_Click()"_s, [&] {
            if (saveData())
                accept();
        });
    });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { trap(u"onlineSettings / cmdCancel_Click()"_s, [&] { reject(); }); });
    Form_Load();
}

void onlineSettings::Form_Load() {
    trap(u"onlineSettings / Form_Load()"_s, [&] {
        const Account a = readAccount(m_database);
        txtServer->setText(a.server);
        txtUser->setText(a.user);
        txtPassword->setText(a.password);
    });
}

void onlineSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())
        move(screen->geometry().center() - rect().center());
    shell::SetTopMostWindow(this, true);
    cmdOK->setFocus();
}

bool onlineSettings::saveData() {
    return trap(u"onlineSettings / saveData()"_s, [&] {
        saveAccount(m_database, {txtUser->text(), txtPassword->text(), txtServer->text()});
    });
}

} // namespace koa::online
