#pragma once

#include "shell/aboutbox.h"

namespace koa::viewer {

// The viewer's About window: the logo and credits of the program's own About
// window with its two buttons, but no timer, no splash and not kept on top.
class viewerAbout : public shell::AboutBox {
    Q_OBJECT
public:
    explicit viewerAbout(QWidget* parent = nullptr);
};

} // namespace koa::viewer
