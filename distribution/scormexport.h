#pragma once

#include "webexport.h"

#include <QString>

namespace koa::distribution {

enum class ScormVersion { Scorm12, Scorm2004 };

// The manifest of a SCORM package: one SCO, index.html, with the course's
// title and description, listing every file below `folder`.
QByteArray scormManifest(ScormVersion version, const WebCourse& course, const QString& folder);

// Makes the SCORM package `target` (a ZIP archive) of the course of
// `programFolder`: the export for the web with the manifest and the script
// that reports to the learning platform. Never throws.
WebExportOutcome exportScorm(const QString& programFolder, const QString& target,
                             ScormVersion version);

} // namespace koa::distribution
