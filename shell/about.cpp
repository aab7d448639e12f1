#include "about.h"

#include "store/errors.h"
#include "store/interaction.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

about::about(QWidget* parent) : QDialog(parent) {
    setObjectName(u"about"_s);
    setWindowTitle(u"About KOA"_s);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* imgLogo = new QLabel(u"KOA"_s, this);
    imgLogo->setObjectName(u"imgLogo"_s);
    QFont logoFont = imgLogo->font();
    logoFont.setPointSize(logoFont.pointSize() * 3);
    logoFont.setBold(true);
    imgLogo->setFont(logoFont);
    imgLogo->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imgLogo);
    layout->addWidget(new QLabel(u"KOA builds interactive training courses for learners."_s, this));
    layout->addWidget(new QLabel(u"Version "_s + QStringLiteral(KOA_VERSION_TEXT), this));
    layout->addWidget(new QLabel(u"Made by the KOA developers."_s, this));
    layout->addWidget(new QLabel(u"Free to use and to share."_s, this));

    auto* buttons = new QHBoxLayout;
    cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);

    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &about::Timer1_Timer);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &about::cmdSysInfo_Click);
}

void about::showAsSplash(int milliseconds) {
    cmdOK->hide();
    cmdSysInfo->hide();
    Timer1.start(milliseconds);
    show();
}

void about::Timer1_Timer() {
    Timer1.stop();
    hide();
    cmdOK->show();
    cmdSysInfo->show();
}

void about::cmdSysInfo_Click() {
    trap(u"About / cmdSysInfo_Click()"_s, [&] {
        for (const QString& tool : {u"hardinfo2"_s, u"hardinfo"_s, u"gnome-system-monitor"_s}) {
            const QString found = QStandardPaths::findExecutable(tool);
            if (!found.isEmpty() && QProcess::startDetached(found, {}))
                return;
        }
        interaction().message(u"System Information Is Unavailable At This Time"_s);
    });
}

} // namespace koa::shell
