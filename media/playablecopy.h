#pragma once

#include <functional>

#include <QList>
#include <QString>

namespace koa::media {

// Movies and sounds in the older formats authors still have (MPEG, AVI,
// Windows Media) that the browser engine cannot play. Each gets a copy
// beside it in a format the browser plays, and pages name both files.
bool needsPlayableCopy(const QString& fileName);

// The copy's name: the file's own name and the copy's extension, so that it
// follows its file wherever the file goes ("12.avi" -> "12.avi.webm" for
// movies, "3.wma" -> "3.wma.opus" for sounds).
QString playableCopyName(const QString& table, const QString& fileName);

enum class CopyEnd { Done, Cancelled, Failed };

struct CopyOutcome {
    CopyEnd end = CopyEnd::Failed;
    QString error; // what went wrong, for the message to the author
};

// Makes the browser-playable copy of `source` at `target`: WebM with VP8
// video and Opus sound when `target` ends in ".webm", Ogg Opus otherwise.
// Blocks until done; `progress` gets the share done (0 to 1) now and then
// and stops the copy by returning false. A copy that makes no headway for
// `stallLimitMs` fails. Only a complete copy is left at `target`.
CopyOutcome makePlayableCopy(const QString& source, const QString& target,
                             const std::function<bool(double share)>& progress = {},
                             int stallLimitMs = 30000);

// A movie or sound of a course whose playable copy is missing.
struct MissingCopy {
    QString table;  // "movies" or "sounds"
    QString name;   // the object's name
    QString source; // full paths
    QString target;
};

// The movies and sounds of the course in `courseFolder` (the folder of
// koa.kod and the media folders) that need a playable copy and lack one.
// Files that are missing or whose names lead out of their folder are left
// out: there is nothing to copy.
QList<MissingCopy> missingPlayableCopies(const QString& courseFolder);

// The full path of the playable copy of a file stored in `table` when it
// has one in the course in `courseFolder`; empty otherwise.
QString existingPlayableCopy(const QString& courseFolder, const QString& table,
                             const QString& fileName);

// Deletes the playable copy of a stored file, if it has one.
void removePlayableCopy(const QString& courseFolder, const QString& table, const QString& fileName);

} // namespace koa::media
