#include "coursedb.h"

#include "courseheader.h"
#include "database.h"
#include "errors.h"
#include "interaction.h"
#include "schema.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {
struct LayoutRow {
    qint64 rowid = -1; // -1: inserted by the repair
    QString type;
    QString name;
};

} // namespace

void ValidateDataTable(const QString& databasePath) {
    trap(u"commonModule / ValidateDataTable)"_s, [&] {
        Database db(databasePath);
        db.begin();
        std::vector<LayoutRow> rows;
        {
            QSqlQuery q =
                db.exec(u"SELECT rowid, type, name FROM data ORDER BY \"index\", rowid"_s);
            while (q.next())
                rows.push_back(
                    {q.value(0).toLongLong(), fieldText(q.value(1)), fieldText(q.value(2))});
        }
        const QString insertRow = u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s;
        if (rows.empty()) {
            db.exec(insertRow, {u"modules"_s, u"New Module"_s, 1});
            db.exec(insertRow, {u"pages"_s, QString(), 2});
        } else {
            std::vector<LayoutRow> repaired;
            bool inserted = false;
            bool previousWasModule = false;
            for (const LayoutRow& r : rows) {
                if (previousWasModule && r.type != u"pages"_s) {
                    repaired.push_back({-1, u"pages"_s, QString()});
                    inserted = true;
                }
                repaired.push_back(r);
                previousWasModule = r.type == u"modules"_s;
            }
            if (previousWasModule) {
                repaired.push_back({-1, u"pages"_s, QString()});
                inserted = true;
            }
            if (inserted) {
                int index = 1;
                for (const LayoutRow& r : repaired) {
                    if (r.rowid < 0)
                        db.exec(insertRow, {r.type, r.name, index});
                    else
                        db.exec(u"UPDATE data SET \"index\" = ? WHERE rowid = ?"_s,
                                {index, r.rowid});
                    ++index;
                }
            }
            if (repaired.front().type != u"modules"_s)
                db.exec(insertRow, {u"modules"_s, u"(Inserted by program)"_s, -1});
        }
        db.commit();
    });
}

bool IsDBblank(const QString& databasePath, const QString& blankDatabasePath) {
    return trapped<bool>(u"commonModule / IsDBblank()"_s, false, [&] {
        Database work(databasePath, Database::Mode::ReadOnly);
        Database blank(blankDatabasePath, Database::Mode::ReadOnly);
        const QStringList tables =
            u"datatemp dlinks flash keywords movies pages pictures quizes sounds statements texts"_s
                .split(u' ');
        for (const QString& t : tables) {
            if (work.scalar(u"SELECT count(*) FROM (SELECT 1 FROM "_s + quoteIdentifier(t) +
                            u" LIMIT 1)"_s)
                    .toInt() > 0)
                return false;
        }
        const std::optional<QSqlRecord> wh = CourseHeader(work).record();
        const std::optional<QSqlRecord> bh = CourseHeader(blank).record();
        if (!wh || !bh)
            throw KoaError(errnum::NoCurrentRecord, u"No current record."_s);
        const QStringList fields =
            u"title author description target_group skin sound picture"_s.split(u' ');
        for (const QString& f : fields) {
            if (fieldText(wh->value(f)) != fieldText(bh->value(f)))
                return false;
        }
        return true;
    });
}

void checkCourseDatabase(const QString& databasePath) {
    Database db(databasePath, Database::Mode::ReadOnly);
    QSqlQuery q = db.exec(u"SELECT type, name, rootpage FROM sqlite_master "
                          "WHERE type IN ('table', 'view', 'trigger')"_s);
    while (q.next()) {
        const QString type = q.value(0).toString();
        const QString name = q.value(1).toString();
        if (type == u"trigger"_s)
            throw KoaError(errnum::Database, u"The course database holds a trigger: "_s + name);
        const bool courseTable = std::any_of(
            schema::courseTables().begin(), schema::courseTables().end(),
            [&](const schema::Table& t) { return t.name.compare(name, Qt::CaseInsensitive) == 0; });
        // A virtual table has no pages of its own: its root page is 0.
        if (courseTable && (type != u"table"_s || q.value(2).toLongLong() == 0))
            throw KoaError(errnum::Database,
                           u"The course table "_s + name + u" is no plain table"_s);
    }
    if (q.lastError().isValid())
        db.fail(q, u"sqlite_master"_s);
}

void completeCourseTables(const QString& databasePath) {
    Database db(databasePath);
    db.begin();
    for (const schema::Table& table : schema::courseTables()) {
        if (!db.hasTable(table.name)) {
            db.exec(schema::createTableSql(table));
            continue;
        }
        const QStringList present = db.columns(table.name);
        for (const schema::Column& column : table.columns) {
            // SQLite adds no key column to a table that has rows; rows are found without one.
            if (present.contains(column.name, Qt::CaseInsensitive) ||
                column.type.contains(u"PRIMARY KEY"_s))
                continue;
            db.exec(u"ALTER TABLE "_s + quoteIdentifier(table.name) + u" ADD COLUMN "_s +
                    quoteIdentifier(column.name) + u" "_s + column.type);
        }
    }
    db.commit();
}

std::optional<HeaderFields> readHeader(const QString& databasePath) {
    Database db(databasePath, Database::Mode::ReadOnly);
    return CourseHeader(db).read();
}

QString CheckKOFVersion(const QString& databasePath) {
    try {
        Database db(databasePath, Database::Mode::ReadOnly);
        const std::optional<QSqlRecord> header = CourseHeader(db).record();
        if (!header || header->indexOf(u"version"_s) < 0 || header->value(u"version"_s).isNull())
            return u"error"_s;
        return header->value(u"version"_s).toString();
    } catch (const std::exception&) {
        return u"error"_s;
    }
}

bool CompressDatabase(const QString& databasePath, const QString& workingFolder) {
    const QString tmp = QDir(workingFolder).filePath(u"tmp.mdb"_s);
    try {
        if (!QDir().mkpath(workingFolder))
            throw KoaError(errnum::PathNotFound, workingFolder);
        QFile::remove(tmp);
        {
            Database db(databasePath);
            db.exec(u"VACUUM INTO ?"_s, {tmp});
        }
        // rename replaces the old file in one step: never a half-copied course
        std::filesystem::rename(tmp.toStdString(), databasePath.toStdString());
        return true;
    } catch (const std::exception&) {
        QFile::remove(tmp);
        interaction().message(u"Error while compressing database!"_s);
        return false;
    }
}

} // namespace koa
