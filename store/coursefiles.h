#pragma once

#include "programfolder.h"

#include <QString>

namespace koa {

// What the file operations need from the windows around them. The defaults
// suit a program without windows (koa-tool).
class CourseHost {
public:
    virtual ~CourseHost() = default;
    // May the open course be given up (the save question)?
    virtual bool SaveCourse(bool force);
    // Closes the editor windows but the file header window.
    virtual void closeEditors() {}
    virtual void startWait() {}
    virtual void endWait() {}
    // A course was created, opened, imported or rescued: load it into the windows.
    virtual void courseLoaded() {}
    // The display name changed after a save: retitle the windows.
    virtual void titlesChanged() {}
    // The next page render of the preview is skipped once.
    virtual void setSkipNextRender() {}
    // Makes the copies browsers play of the open course's older movies and
    // sounds that it lacks (only of the object `name` of `table` when they
    // are given); false when the author cancelled.
    virtual bool makePlayableCopies(const QString& /*table*/, const QString& /*name*/) {
        return true;
    }
};

// The file operations of the anchor window: the course between the working
// folder and its package.
class CourseFiles {
public:
    CourseFiles(ProgramFolder folder, CourseHost& host);

    void New_file(bool wait);
    bool Open_file(const QString& path, bool wait);
    bool Save_course(bool saveAs);
    void Import();
    bool ImportFile(const QString& folder);

    // A working database left by a program that did not end in order.
    bool rescueNeeded() const;
    // Asks whether to rescue it. Yes: the course is rescued (true).
    // No: the working folder is deleted (false).
    bool offerRescue();
    // Deletes the working folder and the rescue folder.
    void removeWorkingFolders();

    QString currentPath() const { return m_currentPath; }
    QString displayName() const { return m_displayName; }
    const ProgramFolder& folder() const { return m_folder; }
    bool hasWorkingFolder() const;

private:
    void loaded(const QString& path, const QString& displayName);
    void replaceWorkingFolder(const QString& staging);
    // Where a rescue that failed keeps its only copy of the course.
    QString keptRescueFolder() const;

    ProgramFolder m_folder;
    CourseHost& m_host;
    QString m_currentPath;
    QString m_displayName;
};

namespace messages {
inline const QString ErrorOpening = QStringLiteral("Error opening file");
inline const QString ErrorSaving = QStringLiteral(
    "Error saving file. Make sure there is enough space on the destination drive and try again.");
inline const QString NoFreeSpace =
    QStringLiteral("You do not have enough free space on you system drive to perform this task.");
inline const QString OlderVersion =
    QStringLiteral("This file is made with an older version of KOA and will\r\n"
                   "be imported. The original file will be left unaltered.");
inline const QString FileCorrupt = QStringLiteral("File corrupt, cannot import");
inline const QString Rescue = QStringLiteral(
    "KOA has detected an uncontrolled shutdown. Do you want to rescue the latest file?");
inline const QString RescueFailed =
    QStringLiteral("The latest file could not be rescued. Its files were kept in the folder ");
} // namespace messages

} // namespace koa
