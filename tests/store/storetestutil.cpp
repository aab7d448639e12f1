#include "tests/store/storetestutil.h"

#include "store/database.h"

#include <QFile>

#include <gtest/gtest.h>

#include <zip.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

QVariant valueOf(const QString& database, const QString& sql, const QVariantList& params) {
    Database db(database, Database::Mode::ReadOnly);
    return db.scalar(sql, params);
}

void execIn(const QString& database, const QString& sql, const QVariantList& params) {
    Database db(database);
    db.exec(sql, params);
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

} // namespace koa::test
