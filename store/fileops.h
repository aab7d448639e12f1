#pragma once

#include <filesystem>
#include <functional>

#include <QString>

namespace koa {

// File names go to the system in the locale's encoding, as QFile does.
std::filesystem::path fsPath(const QString& path);

// Each throws KoaError on failure.
void removeFolder(const QString& path);                  // nothing to do when it does not exist
void copyFolder(const QString& from, const QString& to); // `to` must not exist
void copyFileOver(const QString& from, const QString& to);

qint64 folderSizeBytes(const QString& path);

// Bytes free on the file system holding `path` (or its nearest existing parent).
qint64 freeBytes(const QString& path);
// Tests stand in a fixed number for a disk that is nearly full.
using FreeSpaceProbe = std::function<qint64(const QString& path)>;
void setFreeSpaceProbe(FreeSpaceProbe probe);

// Room for `folder` on the drive of `target`: free KB >= folder KB + 5, both
// rounded to whole KB.
bool enoughFreeSpace(const QString& folder, const QString& target);

} // namespace koa
