#include "aboutbox.h"

#include "buttonrow.h"
#include "store/interaction.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(u"about"_s);
    setWindowTitle(u"About KOA"_s);

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

    cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    layout->addLayout(buttonRow({cmdSysInfo, cmdOK}));

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showSystemInformation() {
    for (const QString& tool : {u"hardinfo2"_s, u"hardinfo"_s, u"gnome-system-monitor"_s}) {
        const QString found = QStandardPaths::findExecutable(tool);
        if (!found.isEmpty() && QProcess::startDetached(found, {}))
            return;
    }
    interaction().message(u"System Information Is Unavailable At This Time"_s);
}

} // namespace koa::shell
