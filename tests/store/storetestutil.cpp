#include "tests/store/storetestutil.h"

#include "store/database.h"

#include <algorithm>
#include <cstring>

#include <QFile>

#include <gtest/gtest.h>

#include <zip.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

void execIn(const QString& database, const QString& sql) {
    Database(database).exec(sql);
}

void writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& entries) {
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, bytes] : entries) {
        const QByteArray n = name.toUtf8();
        if (name.endsWith(u'/')) {
            zip_dir_add(za, n.constData(), 0);
            continue;
        }
        void* copy = malloc(static_cast<size_t>(bytes.size()) + 1);
        memcpy(copy, bytes.constData(), static_cast<size_t>(bytes.size()));
        zip_source_t* src = zip_source_buffer(za, copy, static_cast<zip_uint64_t>(bytes.size()), 1);
        ASSERT_GE(zip_file_add(za, n.constData(), src, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

namespace {
// Zeros for libzip to deflate, as many as asked, from one small buffer.
struct Zeros {
    quint64 left = 0;
    quint64 size = 0;
    static zip_int64_t read(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* z = static_cast<Zeros*>(self);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            z->left = z->size;
            return 0;
        case ZIP_SOURCE_READ: {
            const zip_uint64_t n = std::min<zip_uint64_t>(len, z->left);
            memset(data, 0, n);
            z->left -= n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = z->size;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        default: // close, free, error
            return 0;
        }
    }
};

void putLE32(QByteArray& b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}
} // namespace

void writeZerosZip(const QString& path, const QString& name, quint64 bytes,
                   std::optional<quint32> claimed) {
    Zeros zeros{0, bytes};
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    zip_source_t* src = zip_source_function(za, &Zeros::read, &zeros);
    const zip_int64_t index = zip_file_add(za, name.toUtf8().constData(), src, 0);
    ASSERT_GE(index, 0);
    zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    ASSERT_EQ(zip_close(za), 0);
    if (!claimed)
        return;
    // The uncompressed size: offset 22 of the local header, 24 of the central one.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray b = f.readAll();
    ASSERT_TRUE(b.startsWith("PK\x03\x04"));
    putLE32(b, 22, *claimed);
    const qsizetype central = b.lastIndexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(central, 0);
    putLE32(b, central + 24, *claimed);
    f.seek(0);
    f.write(b);
}

} // namespace koa::test
