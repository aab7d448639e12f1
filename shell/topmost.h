#pragma once

class QWidget;

namespace koa::shell {

// Puts a top-level window above all others (true) or back among them
// (false), keeping its position, size and visibility.
void SetTopMostWindow(QWidget* window, bool onTop);

} // namespace koa::shell
