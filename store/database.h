#pragma once

#include <memory>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

namespace koa {

// One open SQLite database through Qt SQL, closed when it goes out of scope.
// Every statement takes its values as bound parameters. Failures throw
// KoaError, so procedures can trap them with their location.
//
// A course may come from anyone, so every connection distrusts the schema
// (no functions with side effects from views or triggers) and a statement
// that keeps SQLite busy for longer than QueryBusyLimitMs is interrupted.
class Database {
public:
    // Immutable: read-only, and SQLite takes no locks and writes no journal
    // beside the file, so a course on a read-only medium opens. Only for a
    // file nothing changes while it is open.
    enum class Mode { ReadWrite, ReadOnly, Create, Immutable };

    explicit Database(const QString& path, Mode mode = Mode::ReadWrite);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one statement; the returned query is positioned before the first row.
    QSqlQuery exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, or an invalid value when there is none.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // First column of every row as text, a NULL as the empty text.
    QStringList texts(const QString& sql, const QVariantList& params = {});

    bool hasTable(const QString& table);
    QStringList columns(const QString& table);
    qint64 rowCount(const QString& table);

    void begin();
    void commit();

    // Call when a query has failed outside exec().
    [[noreturn]] void fail(const QSqlQuery& q, const QString& sql) const;

    QString path() const { return m_path; }

    static constexpr int QueryBusyLimitMs = 4000;

private:
    struct Watch;

    void guardConnection();

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    std::unique_ptr<Watch> m_watch;
};

// Double quotes an identifier; table names come from our own lists or from
// stored type keys, so they are checked against the known tables first.
QString quoteIdentifier(const QString& name);

// A field as text: a null field is empty text, as courses have always read it.
inline QString fieldText(const QVariant& field) {
    return field.isNull() ? QString() : field.toString();
}

} // namespace koa
