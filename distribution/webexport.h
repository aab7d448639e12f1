#pragma once

#include <functional>

#include <QString>
#include <QStringList>

namespace koa::distribution {

namespace messages {
inline const QString WebExportFailed = QStringLiteral(
    "Error during export for the web. Make sure there is enough space on the destination drive "
    "and try again.");
inline const QString MediaMissing =
    QStringLiteral("The course cannot be exported: its pages name media files that are missing.");
} // namespace messages

struct WebExportOutcome {
    enum class Result { Done, TargetExists, MediaMissing, Failed };
    Result result = Result::Failed;
    QString detail;      // why it failed, for logs and the command line
    QStringList missing; // "Picture 'Boat' (1.gif)", for MediaMissing
    // The text the user is shown; empty when the export was done.
    QString message() const;
};

// Makes the folder `target` that plays the course of `programFolder` (its
// temp/ course, includes/, skins/ and web/) in any browser with no program
// installed, opened from disk or from a web server: index.html, the course's
// documents as the renderer writes them in course.js, the player script, the
// media, the Flash player and the skin. A course whose pages name media
// files that are missing is refused, and they are listed. Built beside the
// target and renamed into place, so a failed export leaves nothing. Never
// throws.
WebExportOutcome exportForWeb(const QString& programFolder, const QString& target);

// The steps every export for a browser shares, for the SCORM export.
struct WebCourse {
    QString title; // as typed
    QString description;
};
// Writes the web folder into the new folder `folder`. Throws KoaError.
WebCourse writeWebFolder(const QString& programFolder, const QString& folder);
// Refuses an existing target and a course with missing media, then runs
// `build` with the target's full path and a staging folder beside it
// (removed afterwards); `build` puts the result in place. Failures become
// the outcome.
WebExportOutcome
runExport(const QString& programFolder, const QString& target,
          const std::function<void(const QString& to, const QString& staging)>& build);

} // namespace koa::distribution
