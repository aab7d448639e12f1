#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

namespace koa::distribution {

// Steps every export of a course takes. Each throws KoaError on failure.

// The skin folder the course's pages are shown in. An empty, foreign or
// missing skin shows in the default skin, as the renderer does, so that is
// the one an export carries.
QString exportedSkin(const QString& skinsFolder, const QString& skin);

void writeFileWhole(const QString& path, const QByteArray& bytes);

// The working folder is the author's alone; an exported course is for every
// learner who reads the medium.
void openToReaders(const QString& folder);

// The finished folder takes the target's place only if nothing came there
// meanwhile; an empty folder that appeared would otherwise be replaced.
void moveIntoPlace(const QString& from, const QString& to);

enum class StagedEnd { Done, TargetExists, Failed };

// Runs `build` for an export that replaces nothing: an existing target is
// refused; `build` gets a staging folder beside the target (removed
// afterwards), from which it puts its result in place. A failure is logged
// and its description put in `detail`. Never throws.
StagedEnd runStaged(const QString& target,
                    const std::function<void(const QString& target, const QString& staging)>& build,
                    QString& detail);

} // namespace koa::distribution
