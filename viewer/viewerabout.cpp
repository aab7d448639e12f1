#include "viewerabout.h"

#include <QPushButton>

namespace koa::viewer {

viewerAbout::viewerAbout(QWidget* parent) : AboutBox(parent) {
    connect(cmdSysInfo, &QPushButton::clicked, this, [] { showSystemInformation(); });
}

} // namespace koa::viewer
