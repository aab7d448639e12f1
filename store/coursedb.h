#pragma once

#include <optional>

#include <QString>
#include <QVariant>

namespace koa {

// Repairs the layout of a course database in place: a first module, a page
// under every module, never empty. Reports failures as
// "commonModule / ValidateDataTable)".
void ValidateDataTable(const QString& databasePath);

// True while the course still equals the blank course; false also when the
// two cannot be compared, so the user is asked before anything is discarded.
bool IsDBblank(const QString& databasePath, const QString& blankDatabasePath);

// A course database from outside is checked before anything reads it: every
// course table it has must be a plain table (no view or virtual table under
// such a name) and it may hold no trigger, since either would run code of
// the file's maker on our reads and writes. Throws KoaError when refused.
void checkCourseDatabase(const QString& databasePath);

// Gives a course database opened directly the tables and fields that this
// program reads and an older course may lack, empty as a conversion leaves
// them, so that it opens with their defaults. Throws KoaError.
void completeCourseTables(const QString& databasePath);

// The first header row as the file header window shows it; nullopt when the
// course has none. Throws KoaError when it cannot be read.
struct HeaderFields {
    QString title;
    QString author;
    QString targetGroup;
    QString skin;         // empty: the window shows "Classic"
    QVariant description; // stored form
    bool menuscroll = false;
    bool readOnly = false; // `status`
};
std::optional<HeaderFields> readHeader(const QString& databasePath);

// The `version` field of the first header row, or "error" when it cannot be read.
QString CheckKOFVersion(const QString& databasePath);

// Compacts a course database in place through tmp.mdb in `workingFolder`.
// On failure tells the user and returns false; the caller goes on.
bool CompressDatabase(const QString& databasePath, const QString& workingFolder);

} // namespace koa
