#include "programfolder.h"

#include "errors.h"
#include "fileops.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {
// Shipped folders reached through the program folder.
const QStringList linkedFolders = {u"blank_file"_s, u"includes"_s, u"skins"_s, u"help"_s,
                                   u"export"_s, u"web"_s};

void ensureLink(const QString& target, const QString& link) {
    const QFileInfo info(link);
    if (info.isSymLink()) {
        if (info.symLinkTarget() == QFileInfo(target).absoluteFilePath())
            return;
        QFile::remove(link);
    } else if (info.exists()) {
        return; // something of the user's own: leave it
    }
    if (!QFile::link(target, link))
        throw KoaError(errnum::PathFileAccess, u"Cannot link "_s + link + u" to "_s + target);
}

// The account settings and the open course are the user's alone: an older
// copy or a wide umask may have left them open to others.
void narrowToOwner(const QString& path, mode_t mode) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & 077) != 0)
        ::chmod(name.constData(), mode);
}
} // namespace

ProgramFolder::ProgramFolder(QString root, QString shipped)
    : m_root(std::move(root)), m_shipped(std::move(shipped)) {}

ProgramFolder ProgramFolder::forUser() {
    return ProgramFolder(defaultRoot(), defaultShipped());
}

QString ProgramFolder::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/koa"_s;
}

QString ProgramFolder::defaultShipped() {
    const QString appDir = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(appDir + u"/blank_file/koa.kod"_s))
        return appDir;
    return QDir::cleanPath(appDir + u"/../share/koa"_s);
}

void ProgramFolder::prepare() const {
    QDir root(m_root);
    if (!root.mkpath(u"data"_s))
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + m_root);
    for (const QString& name : linkedFolders) {
        const QString target = m_shipped + u"/"_s + name;
        if (QFileInfo::exists(target))
            ensureLink(target, path(name));
    }
    const QString shippedDummy = m_shipped + u"/data/dummy.htm"_s;
    if (QFileInfo::exists(shippedDummy))
        ensureLink(shippedDummy, dummyPage());
    if (!QFileInfo::exists(settingsDatabase())) {
        const QString shippedSettings = m_shipped + u"/data/data.kod"_s;
        if (!QFileInfo::exists(shippedSettings))
            throw KoaError(errnum::FileNotFound, u"File not found: "_s + shippedSettings);
        copyFileOver(shippedSettings, settingsDatabase());
    }
    narrowToOwner(settingsDatabase(), 0600);
    narrowToOwner(workingFolder(), 0700);
}

QString ProgramFolder::path(const QString& relative) const {
    return m_root + u"/"_s + relative;
}

} // namespace koa
