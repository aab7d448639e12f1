#include "confinement.h"

#include "store/cachefolder.h"
#include "store/errors.h"
#include "store/programfolder.h"

#include <algorithm>

#include <QFileInfo>
#include <QLoggingCategory>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

namespace koa::render {

Confinement Confinement::forProgramFolder(const ProgramFolder& folder) {
    Confinement c;
    c.allowFolder(folder.workingFolder())
        .allowFolder(folder.path(u"includes"_s))
        .allowFolder(folder.path(u"skins"_s))
        .allowFile(folder.dummyPage());
    // Pages have no use for the course database; SQLite's companions hold
    // the same rows.
    for (const QString& suffix : {u""_s, u"-journal"_s, u"-wal"_s, u"-shm"_s})
        c.keepClosed(folder.workingDatabase() + suffix);
    try {
        c.allowFolder(cacheFolder());
    } catch (const KoaError& e) {
        // Without it only the generated pages stay blank; the renderer reports why.
        qCWarning(lcBrowser).noquote() << "no cache folder for the pages:" << e.description();
    }
    return c;
}

Confinement& Confinement::allowFolder(const QString& path) {
    m_folders.append(path);
    return *this;
}

Confinement& Confinement::allowFile(const QString& path) {
    m_files.append(path);
    return *this;
}

Confinement& Confinement::keepClosed(const QString& path) {
    m_closed.append(path);
    return *this;
}

bool Confinement::allows(const QString& localPath) const {
    // Resolved on every request: the folders may be made, or linked
    // elsewhere, after the confinement was set.
    const QString real = QFileInfo(localPath).canonicalFilePath();
    if (real.isEmpty())
        return false;
    const auto same = [&](const QString& path) {
        return QFileInfo(path).canonicalFilePath() == real;
    };
    if (std::any_of(m_closed.cbegin(), m_closed.cend(), same))
        return false;
    if (std::any_of(m_files.cbegin(), m_files.cend(), same))
        return true;
    return std::any_of(m_folders.cbegin(), m_folders.cend(), [&](const QString& folder) {
        QString root = QFileInfo(folder).canonicalFilePath();
        if (root.isEmpty())
            return false;
        if (!root.endsWith(u'/'))
            root += u'/';
        return real == root.chopped(1) || real.startsWith(root);
    });
}

} // namespace koa::render
