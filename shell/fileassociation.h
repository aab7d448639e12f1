#pragma once

#include <QString>

namespace koa::shell {

// The .kof file type on the freedesktop: a shared-mime-info entry (glob and
// the "KO" 03 04 magic) and a .desktop entry in the user's data folder.
inline const QString KofMimeType = QStringLiteral("application/x-koa-file");

QString mimePackageFile();
QString desktopEntryFile();

// The command the desktop runs for .kof files ("Exec" of our entry), or empty.
QString registeredCommand();

// Writes both entries for `programPath` and asks the desktop to refresh its
// databases. Does nothing when the extension contains a ".".
void associateExtension(const QString& extension, const QString& programPath,
                        const QString& typeName);

// Registers the file type unless the registered command already holds this
// program's path. Failures go to "fileselector / CheckExtensions()".
void CheckExtensions(const QString& programPath);

} // namespace koa::shell
