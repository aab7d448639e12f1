#include "about.h"

#include "store/errors.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

about::about(QWidget* parent) : AboutBox(parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &about::Timer1_Timer);
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
    trap(u"About / cmdSysInfo_Click()"_s, [] { showSystemInformation(); });
}

} // namespace koa::shell
