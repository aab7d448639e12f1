#include "exportsteps.h"

#include "store/coursepaths.h"
#include "store/errors.h"
#include "store/fileops.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <fcntl.h>

Q_LOGGING_CATEGORY(lcExportSteps, "koa.export")

using namespace Qt::Literals::StringLiterals;

namespace koa::distribution {

namespace {
const QString DefaultSkin = u"Classic"_s;
}

// The skin folder the course's pages are shown in. An empty, foreign or
// missing skin shows in the default skin, as the renderer does, so that is
// the one the export carries.
QString exportedSkin(const QString& skinsFolder, const QString& skin) {
    if (!skin.isEmpty() && isPlainFileName(skin) && QFileInfo(skinsFolder + u'/' + skin).isDir())
        return skin;
    if (!skin.isEmpty())
        qCWarning(lcExportSteps).noquote()
            << "the skin" << skin << "is not installed; exporting" << DefaultSkin;
    return DefaultSkin;
}

void writeFileWhole(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw KoaError(errnum::PathFileAccess,
                       u"Cannot write "_s + path + u": "_s + file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw KoaError(errnum::PathFileAccess,
                       u"Cannot write "_s + path + u": "_s + file.errorString());
}

// The working folder is the author's alone; the exported course is for every
// learner who reads the medium.
void openToReaders(const QString& folder) {
    namespace fs = std::filesystem;
    const auto readable = [](const fs::path& path, bool isFolder) {
        std::error_code ignored;
        fs::permissions(
            path,
            fs::perms::group_read | fs::perms::others_read |
                (isFolder ? fs::perms::group_exec | fs::perms::others_exec : fs::perms::none),
            fs::perm_options::add, ignored);
    };
    readable(fsPath(folder), true);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(fsPath(folder), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        readable(it->path(), it->is_directory(typeError));
    }
}

// The finished folder takes the target's place only if nothing came there
// meanwhile; an empty folder that appeared would otherwise be replaced.
void moveIntoPlace(const QString& from, const QString& to) {
    const QByteArray source = fsPath(from).c_str();
    const QByteArray destination = fsPath(to).c_str();
    int rc = ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, destination.constData(),
                         RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace rename.
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
            errno = EEXIST;
        } else {
            rc = std::rename(source.constData(), destination.constData());
        }
    }
    if (rc != 0)
        throw KoaError(errnum::PathFileAccess, u"Cannot move "_s + from + u" to "_s + to + u": "_s +
                                                   QString::fromLocal8Bit(std::strerror(errno)));
}

StagedEnd runStaged(const QString& target,
                    const std::function<void(const QString& target, const QString& staging)>& build,
                    QString& detail) {
    const QFileInfo targetInfo(QDir::cleanPath(QFileInfo(target).absoluteFilePath()));
    const QString to = targetInfo.absoluteFilePath();
    if (targetInfo.exists() || targetInfo.isSymLink())
        return StagedEnd::TargetExists;
    try {
        const QString parent = targetInfo.absolutePath();
        if (!QFileInfo(parent).isDir())
            throw KoaError(errnum::PathNotFound, u"The folder "_s + parent + u" does not exist"_s);
        // Beside the target, so the last step is a rename on the same drive.
        QTemporaryDir staging(parent + u"/."_s + targetInfo.fileName() + u".export-XXXXXX"_s);
        if (!staging.isValid())
            throw KoaError(errnum::PathFileAccess, u"Cannot create a folder in "_s + parent +
                                                       u": "_s + staging.errorString());
        build(to, staging.path());
        return StagedEnd::Done;
    } catch (const std::exception& e) {
        const auto* koaError = dynamic_cast<const KoaError*>(&e);
        detail = koaError ? koaError->description() : QString::fromLocal8Bit(e.what());
        qCWarning(lcExportSteps).noquote() << "export to" << to << "failed:" << detail;
        return StagedEnd::Failed;
    }
}

} // namespace koa::distribution
