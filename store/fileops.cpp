#include "fileops.h"

#include "errors.h"

#include <cmath>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {
FreeSpaceProbe& probe() {
    static FreeSpaceProbe p;
    return p;
}

[[noreturn]] void fail(const std::error_code& ec, const QString& what) {
    const int number = ec == std::errc::no_space_on_device          ? errnum::DiskFull
                       : ec == std::errc::permission_denied         ? errnum::PermissionDenied
                       : ec == std::errc::no_such_file_or_directory ? errnum::PathNotFound
                                                                    : errnum::PathFileAccess;
    throw KoaError(number, what + u": "_s + QString::fromLocal8Bit(ec.message().c_str()));
}

qint64 roundedKB(qint64 bytes) {
    return std::llround(static_cast<double>(bytes) / 1024.0);
}
} // namespace

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

void removeFolder(const QString& path) {
    std::error_code ec;
    std::filesystem::remove_all(fsPath(path), ec);
    if (ec)
        fail(ec, u"Cannot delete "_s + path);
}

void copyFolder(const QString& from, const QString& to) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::copy(fsPath(from), fsPath(to), fs::copy_options::recursive, ec);
    if (ec)
        fail(ec, u"Cannot copy "_s + from + u" to "_s + to);
    // Shipped files may be read-only; the copy is the user's to change.
    fs::permissions(fsPath(to), fs::perms::owner_write, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(fsPath(to), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code permError;
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, permError);
    }
}

void copyFileOver(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::copy_file(fsPath(from), fsPath(to),
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        fail(ec, u"Cannot copy "_s + from + u" to "_s + to);
}

qint64 folderSizeBytes(const QString& path) {
    qint64 total = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(fsPath(path), ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError))
            total += static_cast<qint64>(it->file_size(sizeError));
    }
    return total;
}

qint64 freeBytes(const QString& path) {
    QString existing = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(existing) && existing != u"/"_s)
        existing = QFileInfo(existing).absolutePath();
    if (probe())
        return probe()(existing);
    return QStorageInfo(existing).bytesAvailable();
}

void setFreeSpaceProbe(FreeSpaceProbe p) {
    probe() = std::move(p);
}

bool enoughFreeSpace(const QString& folder, const QString& target) {
    return roundedKB(freeBytes(target)) >= roundedKB(folderSizeBytes(folder)) + 5;
}

} // namespace koa
