#pragma once

#include <QIcon>
#include <QString>

namespace koa::shell {

// The icon of a row type or object type key ("pictures", "movies", "sounds",
// "flash", "texts", "keywords", "dlinks", "quizes", "modules", "pages",
// "linebreak", "horizontalline"); drawn by the program, so it looks the same
// on every desktop and at every size.
QIcon typeIcon(const QString& key);

} // namespace koa::shell
