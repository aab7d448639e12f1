#include "cachefolder.h"

#include "errors.h"

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Makes `path` a private folder of this user, or says why it cannot be one.
void makePrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + path + u": "_s + systemError());
    // lstat: a link planted under our name must not lead us elsewhere.
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        throw KoaError(errnum::PathNotFound, u"Cannot read "_s + path + u": "_s + systemError());
    if (S_ISLNK(info.st_mode))
        throw KoaError(errnum::PermissionDenied, path + u" is a link; it is not used"_s);
    if (!S_ISDIR(info.st_mode))
        throw KoaError(errnum::PathFileAccess, path + u" is not a folder; it is not used"_s);
    if (info.st_uid != ::geteuid())
        throw KoaError(errnum::PermissionDenied,
                       path + u" belongs to another user; it is not used"_s);
    // Our own folder made wider by hand is narrowed again.
    if ((info.st_mode & 0077) != 0 && ::chmod(name.constData(), 0700) != 0)
        throw KoaError(errnum::PermissionDenied,
                       u"Cannot make "_s + path + u" private: "_s + systemError());
}

} // namespace

QString cacheFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path =
        !runtime.isEmpty() && QFileInfo(runtime).isDir()
            ? QDir::cleanPath(runtime) + u"/koa"_s
            : QDir::cleanPath(QDir::tempPath()) + u"/koa-"_s + QString::number(::geteuid());
    makePrivateFolder(path);
    return path;
}

QString cacheFolder(const QString& subfolder) {
    if (subfolder.isEmpty() || subfolder.contains(u'/') || subfolder == u"."_s ||
        subfolder == u".."_s)
        throw KoaError(errnum::PathNotFound, u"Not a folder name: "_s + subfolder);
    const QString path = cacheFolder() + u"/"_s + subfolder;
    makePrivateFolder(path);
    return path;
}

} // namespace koa
