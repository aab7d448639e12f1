#pragma once

#include <QIcon>
#include <QString>

namespace koa::texteditor {

// The icon of a text editor toolbar button by its key ("h1", "b", "el",
// "cut", ...); drawn by the program, so that it reads the same on every
// desktop, and in the colours the formats have in the text.
QIcon toolIcon(const QString& key);

} // namespace koa::texteditor
