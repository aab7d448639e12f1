#pragma once

#include "coursedb.h"

#include <optional>

#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace koa {

class Database;

// The one reader and writer of a course's `header` table. A course has one
// header row; should it hold more, the first by rowid is the course's own
// and the others are carried along untouched except where a method says so.
// Failures throw KoaError, as the database's do.
class CourseHeader {
public:
    explicit CourseHeader(Database& db) : m_db(db) {}

    // The first row as the header window shows it; nullopt when there is none.
    std::optional<HeaderFields> read();
    // The named fields of the first row as stored; nullopt when there is no
    // row. A field the table lacks is an error.
    std::optional<QVariantList> values(const QStringList& fields);
    // Every field of the first row as stored, for readers that take what an
    // older course has; nullopt when there is no row.
    std::optional<QSqlRecord> record();

    // Stores what the header window edits (not the read-only mark) in the
    // first row; a course without its header row would lose what was typed,
    // so it is given one.
    void write(const HeaderFields& fields);
    // Sets the first row's skin; a course without a row is left without one.
    void setSkin(const QString& skin);
    // Marks the course read-only. A course without a header row would stay
    // editable, so it gets a bare one holding only the mark.
    void markReadOnly();
    // Adds the blank course's header row when the course has none.
    void ensure();
    // Stamps every row with the version of the program that wrote it.
    void setVersion(const QString& version);
    // Sets the named fields of every row, as a merge takes a course's header.
    void assign(const QStringList& fields, const QVariantList& values);

private:
    Database& m_db;
};

} // namespace koa
