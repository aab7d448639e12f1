#pragma once

#include <QString>

namespace koa {

// The user's private folder for generated pages and other short-lived files:
// $XDG_RUNTIME_DIR/koa, or <system temp>/koa-<uid> without a runtime folder.
// It is created with mode 0700; one that is a link, no folder, or owned by
// another user is refused, because anyone who could put files there could
// feed script to the browser. Throws KoaError.
QString cacheFolder();

// A folder of that name inside cacheFolder(), made the same way, for a program
// that must not overwrite the files of another one (koa-tool beside koa).
QString cacheFolder(const QString& subfolder);

} // namespace koa
