#include "package.h"

#include "errors.h"
#include "fileops.h"
#include "schema.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QScopeGuard>

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

// A write-only libzip target over the descriptor that created the part file,
// so the archive and its marker reach the same file and it is never opened
// again by name (a name someone else could have swapped in between).
class PartFileSink {
public:
    explicit PartFileSink(int fd) : m_fd(fd) { zip_error_init(&m_error); }
    ~PartFileSink() { zip_error_fini(&m_error); }
    PartFileSink(const PartFileSink&) = delete;
    PartFileSink& operator=(const PartFileSink&) = delete;

    zip_source_t* source(zip_error_t* error) {
        return zip_source_function_create(&PartFileSink::callback, this, error);
    }
    bool committed() const { return m_committed; }

private:
    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t len,
                                zip_source_cmd_t cmd) {
        return static_cast<PartFileSink*>(userdata)->handle(data, len, cmd);
    }

    zip_int64_t systemError(int code) {
        zip_error_set(&m_error, code, errno);
        return -1;
    }

    zip_int64_t handle(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
        case ZIP_SOURCE_STAT: // a new archive: there is nothing to read yet
            zip_error_set(&m_error, ZIP_ER_READ, ENOENT);
            return -1;
        case ZIP_SOURCE_BEGIN_WRITE:
        case ZIP_SOURCE_ROLLBACK_WRITE:
            if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
                return systemError(ZIP_ER_WRITE);
            m_committed = false;
            return 0;
        case ZIP_SOURCE_WRITE: {
            const char* bytes = static_cast<const char*>(data);
            zip_uint64_t done = 0;
            while (done < len) {
                const ssize_t n = ::write(m_fd, bytes + done, len - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return systemError(ZIP_ER_WRITE);
                done += static_cast<zip_uint64_t>(n);
            }
            return static_cast<zip_int64_t>(done);
        }
        case ZIP_SOURCE_SEEK_WRITE: {
            auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &m_error);
            if (!args)
                return -1;
            if (::lseek(m_fd, static_cast<off_t>(args->offset), args->whence) < 0)
                return systemError(ZIP_ER_SEEK);
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE: {
            const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
            return at < 0 ? systemError(ZIP_ER_TELL) : static_cast<zip_int64_t>(at);
        }
        case ZIP_SOURCE_COMMIT_WRITE:
            m_committed = true;
            return 0;
        case ZIP_SOURCE_REMOVE: // an archive without entries: nothing is committed
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, len);
        case ZIP_SOURCE_FREE:
            return 0; // the descriptor belongs to the caller
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        default:
            zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    int m_fd;
    bool m_committed = false;
    zip_error_t m_error{};
};

[[noreturn]] void writeFailed(int err, const QString& path) {
    throw KoaError(err == ENOSPC ? errnum::DiskFull : errnum::PathFileAccess,
                   u"Cannot write "_s + path + u": "_s + QString::fromLocal8Bit(strerror(err)));
}

// Closes a descriptor however the block is left.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// A package unpacks to at most this many times its own size once it passes
// the floor: media is stored as it is and a course database deflates perhaps
// tenfold, while a crafted archive of zeros deflates a thousandfold.
constexpr zip_uint64_t MaxExpansion = 200;
constexpr zip_uint64_t ExpansionFloor = zip_uint64_t(64) << 20;

} // namespace

void packFolder(const QString& folder, const QString& packagePath, Marker marker) {
    // Absolute, so entry names come out relative to the course folder
    // whatever the caller's current folder.
    const QDir base(QFileInfo(folder).absoluteFilePath());
    if (!base.exists())
        throw KoaError(errnum::PathNotFound, u"Path not found: "_s + folder);
    const QFileInfo target(packagePath);
    const QByteArray targetName = QFile::encodeName(packagePath);
    // A write-protected package is not replaced behind its owner's back, even
    // where the folder would allow the rename (or the user is root).
    struct stat old {};
    const bool replacing = ::stat(targetName.constData(), &old) == 0;
    if (replacing && (::access(targetName.constData(), W_OK) != 0 || (old.st_mode & 0222) == 0))
        throw KoaError(errnum::PermissionDenied,
                       u"The package is write-protected: "_s + packagePath);
    // Written beside the destination, so putting it in place is one rename.
    const QString partial = target.absolutePath() + u"/."_s + target.fileName() + u".part"_s;
    const QByteArray partialName = QFile::encodeName(partial);
    QFile::remove(partial);
    Descriptor part;
    part.fd =
        ::open(partialName.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (part.fd < 0)
        writeFailed(errno, packagePath);
    auto dropPartial = qScopeGuard([&] { QFile::remove(partial); });

    PartFileSink sink(part.fd); // outlives the archive, whose source it is
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* out = sink.source(&ze);
    if (!out)
        archiveError(u"Cannot create "_s + packagePath, &ze);
    Archive za(zip_open_from_source(out, ZIP_CREATE | ZIP_TRUNCATE, &ze));
    if (!za) {
        zip_source_free(out);
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
        const bool full = zip_error_code_system(zip_get_error(za.get())) == ENOSPC;
        throw KoaError(full ? errnum::DiskFull : errnum::Archive,
                       u"Cannot write "_s + packagePath + u": "_s + why);
    }
    za.release(); // zip_close freed it
    if (!sink.committed())
        throw KoaError(errnum::Archive, u"Nothing to pack in "_s + folder);

    // A package saved again keeps the permissions its owner gave it.
    if (replacing)
        ::fchmod(part.fd, old.st_mode & 07777);
    if ((marker == Marker::Package && ::pwrite(part.fd, "KO", 2, 0) != 2) || ::fsync(part.fd) != 0)
        writeFailed(errno, packagePath);
    std::error_code ec;
    std::filesystem::rename(fsPath(partial), fsPath(packagePath), ec);
    if (ec)
        throw KoaError(errnum::PathFileAccess, u"Cannot write "_s + packagePath + u": "_s +
                                                   QString::fromLocal8Bit(ec.message().c_str()));
    dropPartial.dismiss();
    // The rename itself reaches the disk only with its folder.
    const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
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
    std::vector<zip_uint64_t> declared(paths.size());
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(za.get(), index, ZIP_FL_ENC_GUESS);
        const QString rel = raw ? safeEntryPath(QString::fromUtf8(raw)) : QString();
        if (rel.isEmpty() || isLinkEntry(za.get(), index))
            throw KoaError(errnum::Archive, u"Package entry leaves its folder: "_s +
                                                QString::fromUtf8(raw ? raw : "(unnamed)"));
        zip_stat_t st;
        if (zip_stat_index(za.get(), index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            archiveError(u"Cannot read "_s + rel, za.get());
        paths[index] = rel;
        declared[index] = st.size;
        total = st.size > UINT64_MAX - total ? UINT64_MAX : total + st.size;
    }

    // A package that would fill the disk is refused before anything is written.
    const auto packageBytes = static_cast<zip_uint64_t>(QFileInfo(packagePath).size());
    if (total > ExpansionFloor && total / MaxExpansion > packageBytes)
        throw KoaError(errnum::Archive, u"Package unpacks to "_s + QString::number(total) +
                                            u" bytes, too many for its size: "_s + packagePath);
    const qint64 room = freeBytes(destination);
    if (room >= 0 && total > static_cast<zip_uint64_t>(room))
        throw KoaError(errnum::DiskFull, u"Package unpacks to "_s + QString::number(total) +
                                             u" bytes, more than is free: "_s + packagePath);

    const QDir dest(destination);
    if (!dest.mkpath(u"."_s))
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + destination);
    std::vector<char> buffer(1 << 20);
    QStringList written;
    try {
        for (zip_int64_t i = 0; i < count; ++i) {
            const auto index = static_cast<zip_uint64_t>(i);
            const QString& rel = paths[index];
            const QString out = dest.filePath(rel);
            if (rel.endsWith(u'/')) {
                if (!dest.mkpath(rel))
                    throw KoaError(errnum::PathNotFound, u"Cannot create "_s + out);
                continue;
            }
            if (!dest.mkpath(QFileInfo(rel).path()))
                throw KoaError(errnum::PathNotFound, u"Cannot create "_s + QFileInfo(out).path());
            zip_file_t* zf = zip_fopen_index(za.get(), index, 0);
            if (!zf)
                archiveError(u"Cannot read "_s + rel, za.get());
            const auto closeEntry = qScopeGuard([zf] { zip_fclose(zf); });
            Descriptor file;
            file.fd = ::open(QFile::encodeName(out).constData(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (file.fd < 0)
                throw KoaError(errnum::PathFileAccess, u"Cannot write "_s + out);
            written.append(out);
            // An entry that inflates past the size it declared is a lie.
            zip_uint64_t done = 0;
            for (;;) {
                const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
                if (n < 0)
                    archiveError(u"Cannot read "_s + rel, zip_file_get_error(zf));
                if (n == 0)
                    break;
                done += static_cast<zip_uint64_t>(n);
                if (done > declared[index])
                    throw KoaError(errnum::Archive,
                                   u"Package entry is larger than it says: "_s + rel);
                writeAll(file.fd, buffer.data(), static_cast<size_t>(n), out);
            }
        }
    } catch (...) {
        for (const QString& f : written)
            QFile::remove(f);
        throw;
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
