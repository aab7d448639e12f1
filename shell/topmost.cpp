#include "topmost.h"

#include <QWidget>

namespace koa::shell {

void SetTopMostWindow(QWidget* window, bool onTop) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window flag hides the window and may forget its place.
    const bool visible = window->isVisible();
    const QPoint position = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->move(position);
    if (visible) {
        window->show();
        window->raise();
    }
}

} // namespace koa::shell
