#pragma once

#include <QString>

namespace koa::package {

// Packs every file and folder below `folder` (empty folders as folder
// entries) into the package `packagePath`, whose first two bytes read "KO".
// The package is written completely beside its destination first and then
// put in place in one step, so a failed save leaves the old package intact;
// a write-protected destination is refused.
// A plain ZIP archive has no marker: for other programs (learning platforms).
// Throws KoaError.
enum class Marker { Package, None };
void packFolder(const QString& folder, const QString& packagePath, Marker marker = Marker::Package);

// Unpacks a package (marked "KO" or a plain ZIP archive) into `destination`,
// without writing into the package. Entries that would land outside the
// destination (absolute paths, "..", links) refuse the whole package before
// anything is written, and so does a declared unpacked size beyond the free
// space or far beyond the package's own size; an entry that inflates past
// its declared size stops the unpacking. What was written is removed again.
// Throws KoaError.
void unpackPackage(const QString& packagePath, const QString& destination);

// True when the file starts with the package marker "KO" 03 04.
bool hasPackageMarker(const QString& path);

} // namespace koa::package
