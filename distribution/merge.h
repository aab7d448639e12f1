#pragma once

#include "store/programfolder.h"

#include <QString>
#include <QStringList>

namespace koa::distribution {

// What the merge needs from the window that runs it; the defaults suit a
// program without windows.
class MergeHost {
public:
    virtual ~MergeHost() = default;
    virtual void startWait() {}
    // Runs before every message, so no message hides behind the wait window.
    virtual void endWait() {}
};

// Combines course packages into one new package: the header of the first,
// the object pools of all (colliding names renamed), the modules of all in
// list order. The inputs are only read; the output is written beside its
// place and put there in one step. The scratch folder is the program
// folder's `merge`.
class CourseMerge {
public:
    CourseMerge(ProgramFolder folder, MergeHost& host);

    // Tells the user through the installed interaction why it refused or
    // failed. Returns true when the output was written; fewer than two inputs
    // do nothing (false).
    bool merge(const QStringList& inputs, const QString& output);

    // The scratch folder of every merge.
    QString scratchFolder() const { return m_folder.path(QStringLiteral("merge")); }

private:
    ProgramFolder m_folder;
    MergeHost& m_host;
};

// True when both paths name one existing file, through links and letter
// case as the file system resolves them.
bool isSameFile(const QString& a, const QString& b);

namespace mergemessages {
inline const QString SameFile =
    QStringLiteral("The output file is the same as one of the input files. Choose another name.");
inline const QString Corrupt = QStringLiteral("Cannot merge - one of the files is corrupt");
inline const QString NotCurrentVersion =
    QStringLiteral("Cannot merge non-version 1.1 files. Open the files in KOA to convert them "
                   "to version 1.1 before merging.");
inline const QString ReadOnly = QStringLiteral("Cannot merge file that is read only");
inline const QString Failed = QStringLiteral("Error during merge");
} // namespace mergemessages

} // namespace koa::distribution
