#pragma once

#include <functional>

#include <QIcon>

class QPainter;

namespace koa::shell {

// An icon the program draws itself on a square of `units` x `units`,
// scaled to any size and dimmed when disabled, so it looks the same on
// every desktop.
QIcon drawnIcon(qreal units, std::function<void(QPainter&)> draw);

} // namespace koa::shell
