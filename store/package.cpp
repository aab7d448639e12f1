#include "package.h"

#include "errors.h"
#include "fileops.h"
#include "schema.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::package {

Q_LOGGING_CATEGORY(lcPackage, "koa.package")

namespace {

[[noreturn]] void archiveError(const QString& what, zip_error_t* err) {
    throw KoaError(errnum::Archive, what + u": "_s + QString::fromUtf8(zip_error_strerror(err)));
}

[[noreturn]] void archiveError(const QString& what, zip_t* za) {
    archiveError(what, zip_get_error(za));
}

// Discards an archive that was not committed with zip_close.
struct ArchiveDeleter {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDeleter>;

// A read-only libzip source over a package file that shows "PK" in place of
// the "KO" marker, so reading a package never writes into it.
class MarkedFileSource {
public:
    static zip_source_t* create(const QString& path, zip_error_t* error) {
        auto* self = new MarkedFileSource;
        self->m_path = QFile::encodeName(path);
        zip_error_init(&self->m_error);
        struct stat st {};
        if (::stat(self->m_path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            zip_error_set(error, ZIP_ER_OPEN, errno);
            delete self;
            return nullptr;
        }
        if (st.st_size == 0) { // libzip would take it for an empty archive
            zip_error_set(error, ZIP_ER_NOZIP, 0);
            delete self;
            return nullptr;
        }
        self->m_size = static_cast<zip_uint64_t>(st.st_size);
        self->m_mtime = st.st_mtime;
        zip_source_t* src = zip_source_function_create(&MarkedFileSource::callback, self, error);
        if (!src)
            delete self;
        return src;
    }

private:
    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t len,
                                zip_source_cmd_t cmd) {
        return static_cast<MarkedFileSource*>(userdata)->handle(data, len, cmd);
    }

    zip_int64_t handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            m_fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
            if (m_fd < 0) {
                zip_error_set(&m_error, ZIP_ER_OPEN, errno);
                return -1;
            }
            m_pos = 0;
            m_marked = readMarker();
            return 0;
        case ZIP_SOURCE_READ: {
            if (m_pos >= m_size)
                return 0;
            const zip_uint64_t n = std::min(len, m_size - m_pos);
            const ssize_t got = ::pread(m_fd, data, n, static_cast<off_t>(m_pos));
            if (got < 0) {
                zip_error_set(&m_error, ZIP_ER_READ, errno);
                return -1;
            }
            auto* bytes = static_cast<char*>(data);
            for (zip_uint64_t i = m_pos; m_marked && i < 2 && i < m_pos + zip_uint64_t(got); ++i)
                bytes[i - m_pos] = "PK"[i];
            m_pos += static_cast<zip_uint64_t>(got);
            return got;
        }
        case ZIP_SOURCE_CLOSE:
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = m_size;
            st->mtime = m_mtime;
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, len);
        case ZIP_SOURCE_FREE:
            if (m_fd >= 0)
                ::close(m_fd);
            zip_error_fini(&m_error);
            delete this;
            return 0;
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t to =
                zip_source_seek_compute_offset(m_pos, m_size, data, len, &m_error);
            if (to < 0)
                return -1;
            m_pos = static_cast<zip_uint64_t>(to);
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(m_pos);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    bool readMarker() const {
        char head[2] = {0, 0};
        return ::pread(m_fd, head, 2, 0) == 2 && head[0] == 'K' && head[1] == 'O';
    }

    QByteArray m_path;
    zip_uint64_t m_size = 0;
    zip_uint64_t m_pos = 0;
    time_t m_mtime = 0;
    int m_fd = -1;
    bool m_marked = false;
    zip_error_t m_error{};
};

// Media is already compressed: deflating it again only costs time.
bool storeUncompressed(const QString& relativePath) {
    const QString top = relativePath.section(u'/', 0, 0);
    return relativePath.contains(u'/') && schema::mediaTables().contains(top, Qt::CaseInsensitive);
}

// The safe relative path of an entry inside the destination, or empty when the
// entry would leave it.
QString safeEntryPath(QString name) {
    name.replace(u'\\', u'/');
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(QChar(0)))
        return {};
    const QStringList parts = name.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    for (const QString& p : parts) {
        if (p == u".."_s || p == u"."_s)
            return {};
    }
    return parts.join(u'/') + (name.endsWith(u'/') ? u"/"_s : QString());
}

bool isLinkEntry(zip_t* za, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) != 0)
        return false;
    return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

void writeAll(int fd, const char* data, size_t len, const QString& path) {
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            throw KoaError(err == ENOSPC ? errnum::DiskFull : errnum::PathFileAccess,
                           u"Cannot write "_s + path + u": "_s +
                               QString::fromLocal8Bit(strerror(err)));
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
}

void syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        throw KoaError(err == ENOSPC ? errnum::DiskFull : errnum::PathFileAccess,
                       u"Cannot write "_s + path + u": "_s + QString::fromLocal8Bit(strerror(err)));
    }
    ::close(fd);
}

} // namespace

void packFolder(const QString& folder, const QString& packagePath) {
    // Absolute, so entry names come out relative to the course folder
    // whatever the caller's current folder.
    const QDir base(QFileInfo(folder).absoluteFilePath());
    if (!base.exists())
        throw KoaError(errnum::PathNotFound, u"Path not found: "_s + folder);
    const QFileInfo target(packagePath);
    // Written beside the destination, so putting it in place is one rename.
    const QString partial = target.absolutePath() + u"/."_s + target.fileName() + u".part"_s;
    QFile::remove(partial);

    int err = 0;
    Archive za(zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err));
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        archiveError(u"Cannot create "_s + packagePath, &ze);
    }

    QStringList entries;
    QDirIterator it(base.absolutePath(),
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries.append(base.relativeFilePath(it.filePath()));
    }
    entries.sort(); // the same folder always gives the same archive

    for (const QString& rel : entries) {
        const QFileInfo info(base.filePath(rel));
        const QByteArray name = rel.toUtf8();
        if (info.isSymLink())
            continue; // links are never packed: unpacking would refuse them
        if (info.isDir()) {
            if (zip_dir_add(za.get(), name.constData(), ZIP_FL_ENC_UTF_8) < 0)
                archiveError(u"Cannot add "_s + rel, za.get());
            continue;
        }
        zip_source_t* src =
            zip_source_file_create(QFile::encodeName(info.filePath()).constData(), 0, -1, nullptr);
        if (!src)
            throw KoaError(errnum::FileNotFound, u"Cannot read "_s + info.filePath());
        const zip_int64_t index =
            zip_file_add(za.get(), name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(src);
            archiveError(u"Cannot add "_s + rel, za.get());
        }
        const zip_int32_t method = storeUncompressed(rel) ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (zip_set_file_compression(za.get(), static_cast<zip_uint64_t>(index), method, 0) != 0)
            archiveError(u"Cannot add "_s + rel, za.get());
    }

    if (zip_close(za.get()) != 0) {
        const QString why = QString::fromUtf8(zip_strerror(za.get()));
        QFile::remove(partial);
        const bool full = zip_error_code_system(zip_get_error(za.get())) == ENOSPC;
        throw KoaError(full ? errnum::DiskFull : errnum::Archive,
                       u"Cannot write "_s + packagePath + u": "_s + why);
    }
    za.release(); // zip_close freed it

    try {
        writeMarker(partial, "KO");
        // A package saved again keeps the permissions its owner gave it.
        struct stat old {};
        if (::stat(QFile::encodeName(packagePath).constData(), &old) == 0)
            ::chmod(QFile::encodeName(partial).constData(), old.st_mode & 07777);
        syncFile(partial);
        std::error_code ec;
        std::filesystem::rename(fsPath(partial), fsPath(packagePath), ec);
        if (ec)
            throw KoaError(errnum::PathFileAccess,
                           u"Cannot write "_s + packagePath + u": "_s +
                               QString::fromLocal8Bit(ec.message().c_str()));
        // The rename itself reaches the disk only with its folder.
        const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

void unpackPackage(const QString& packagePath, const QString& destination) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* src = MarkedFileSource::create(packagePath, &ze);
    if (!src)
        archiveError(u"Cannot open "_s + packagePath, &ze);
    Archive za(zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze));
    if (!za) {
        zip_source_free(src);
        archiveError(u"Cannot open "_s + packagePath, &ze);
    }

    // Every entry is checked before the first byte is written.
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    std::vector<QString> paths(static_cast<size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        const QString rel = raw ? safeEntryPath(QString::fromUtf8(raw)) : QString();
        if (rel.isEmpty() || isLinkEntry(za.get(), static_cast<zip_uint64_t>(i)))
            throw KoaError(errnum::Archive, u"Package entry leaves its folder: "_s +
                                                QString::fromUtf8(raw ? raw : "(unnamed)"));
        paths[static_cast<size_t>(i)] = rel;
    }

    const QDir dest(destination);
    if (!dest.mkpath(u"."_s))
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + destination);
    std::vector<char> buffer(1 << 20);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString& rel = paths[static_cast<size_t>(i)];
        const QString out = dest.filePath(rel);
        if (rel.endsWith(u'/')) {
            if (!dest.mkpath(rel))
                throw KoaError(errnum::PathNotFound, u"Cannot create "_s + out);
            continue;
        }
        if (!dest.mkpath(QFileInfo(rel).path()))
            throw KoaError(errnum::PathNotFound, u"Cannot create "_s + QFileInfo(out).path());
        zip_file_t* zf = zip_fopen_index(za.get(), static_cast<zip_uint64_t>(i), 0);
        if (!zf)
            archiveError(u"Cannot read "_s + rel, za.get());
        const int fd = ::open(QFile::encodeName(out).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            zip_fclose(zf);
            throw KoaError(errnum::PathFileAccess, u"Cannot write "_s + out);
        }
        try {
            for (;;) {
                const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
                if (n < 0)
                    archiveError(u"Cannot read "_s + rel, zip_file_get_error(zf));
                if (n == 0)
                    break;
                writeAll(fd, buffer.data(), static_cast<size_t>(n), out);
            }
        } catch (...) {
            ::close(fd);
            zip_fclose(zf);
            throw;
        }
        ::close(fd);
        zip_fclose(zf);
    }
    qCDebug(lcPackage) << "unpacked" << count << "entries of" << packagePath;
}

bool hasPackageMarker(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(4) == QByteArray("KO\x03\x04", 4);
}

} // namespace koa::package
