#pragma once

#include <QString>

namespace koa::shell {

// The .kof file type on the freedesktop: a shared-mime-info entry (glob and
// the "KO" 03 04 magic) and a .desktop entry in the user's data folder.
inline const QString KofMimeType = QStringLiteral("application/x-koa-file");

QString mimePackageFile();
QString desktopEntryFile();
// The program's and the file type's icons in the user's icon theme folder.
QString programIconFile();
QString fileIconFile();

// The command the desktop runs for .kof files (the words of our entry's
// "Exec", unquoted, joined by blanks), or empty.
QString registeredCommand();

// Writes both entries for `programPath`, installs the two icons from
// `iconFolder` and asks the desktop to refresh its databases. Does nothing
// when the extension contains a ".".
void associateExtension(const QString& extension, const QString& programPath,
                        const QString& typeName, const QString& iconFolder);

// Registers the file type unless the registered command already holds this
// program's path and the icons are in place. Failures go to
// "fileselector / CheckExtensions()".
void CheckExtensions(const QString& programPath, const QString& iconFolder);

} // namespace koa::shell
