#pragma once

#include <QString>

namespace koa {

// File names read from a course are untrusted: a media or document row names
// a file of its own folder, never a path. These are the one gate every
// reader of such a name passes.

// A plain file name: not empty, not "." or "..", no "/", "\" or NUL.
bool isPlainFileName(const QString& name);

// The full path of `name` inside `folder`, or an empty string when the name
// is refused: not a plain file name, or an existing file (or dangling link)
// that resolves to somewhere outside `folder`.
QString fileInFolder(const QString& folder, const QString& name);

// The folder of a course table's files below the course folder: the media
// tables' own names, "documents" for "dlinks"; empty for tables without files.
QString fileFolderOf(const QString& table);

// fileInFolder for the file a row of `table` names in `courseFolder`; empty
// too when the table's folder there is a link.
QString courseFilePath(const QString& courseFolder, const QString& table, const QString& name);

} // namespace koa
