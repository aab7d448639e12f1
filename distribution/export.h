#pragma once

#include <QByteArray>
#include <QString>

namespace koa {
class ProgramFolder;
}

namespace koa::distribution {

namespace messages {
inline const QString ExportExists =
    QStringLiteral("An export of this file already exists at this location.");
inline const QString ExportFailed = QStringLiteral(
    "Error during export. Make sure there is enough space on the destination drive and try again.");
} // namespace messages

// The viewer's file name in an export: the target's last component with every
// blank replaced by "_" (programs carry no extension here).
QString viewerNameFor(const QString& target);

// The start file of an export: three lines, each ended by CR LF.
QByteArray autorunInf(const QString& viewerName);

// Where an export takes its parts from.
struct ExportSource {
    QString templateFolder; // the shipped export/ with the viewer and its fixed files
    QString workingFolder;  // temp/: koa.kod and the media folders
    QString skinsFolder;

    static ExportSource forProgramFolder(const ProgramFolder& folder);
};

// The course's own read-only mark (`header.status`); false when it cannot be read.
bool courseIsReadOnly(const QString& databasePath);

struct ExportOutcome {
    enum class Result { Done, TargetExists, Failed };
    Result result = Result::Failed;
    QString viewerName;
    bool readOnly = false; // the copy was marked read-only
    QString detail;        // why it failed, for logs and the command line
    // The text the user is shown; empty when the export was done.
    QString message() const;
};

// Makes the self-running folder `target` from the open course. The folder is
// built in a staging folder beside the target and renamed into place at the
// end, so a failed export leaves nothing at the target and the next try is
// not blocked. The working folder is only read. `readOnly` (or the course's
// own mark) makes the copy read-only. Never throws.
ExportOutcome exportCourse(const ExportSource& source, const QString& target, bool readOnly);

} // namespace koa::distribution
