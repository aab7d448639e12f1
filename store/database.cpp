#include "database.h"

#include "errors.h"

#include <atomic>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {
QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return u"koa-db-"_s + QString::number(++counter);
}

// The URI form of a file name: every byte but the unreserved ones and "/" is
// percent-encoded, so "?", "#" and "%" in a folder name stay part of the path.
QString immutableUri(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return u"file://"_s + QString::fromLatin1(QUrl::toPercentEncoding(absolute, "/")) +
           u"?immutable=1"_s;
}

// SQLite calls the watch every this many virtual machine steps.
constexpr int StepsPerCall = 10000;
// A longer gap between two calls is time the caller spent outside SQLite
// (copying a file between rows, say), which does not count.
constexpr qint64 OutsideGapMs = 200;
} // namespace

// The time SQLite has been busy since the last statement started.
struct Database::Watch {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 busy = 0;

    void restart() {
        busy = 0;
        last = clock.elapsed();
    }
    static int onProgress(void* self) {
        auto* w = static_cast<Watch*>(self);
        const qint64 now = w->clock.elapsed();
        if (now - w->last < OutsideGapMs)
            w->busy += now - w->last;
        w->last = now;
        return w->busy > QueryBusyLimitMs ? 1 : 0; // non-zero interrupts the statement
    }
};

Database::Database(const QString& path, Mode mode)
    : m_path(path), m_connection(nextConnectionName()) {
    // SQLite would quietly create a missing file; a missing course is an error.
    if (mode != Mode::Create && !QFileInfo(path).isFile())
        throw KoaError(errnum::FileNotFound, u"File not found: "_s + path);
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    if (mode == Mode::Immutable) {
        m_db.setDatabaseName(immutableUri(path));
        m_db.setConnectOptions(u"QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"_s);
    } else {
        m_db.setDatabaseName(path);
        if (mode == Mode::ReadOnly)
            m_db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
    }
    try {
        if (!m_db.open())
            throw KoaError(errnum::Database,
                           u"Cannot open database "_s + path + u": "_s + m_db.lastError().text());
        guardConnection();
        // A file that is not a database opens fine and fails on the first read.
        exec(u"SELECT count(*) FROM sqlite_master"_s);
    } catch (...) {
        // The destructor does not run for a constructor that throws.
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

Database::~Database() {
    m_db.close(); // before the watch the progress handler points to goes
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void Database::guardConnection() {
    const QVariant handle = m_db.driver()->handle();
    sqlite3* connection = nullptr;
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        connection = *static_cast<sqlite3* const*>(handle.constData());
    if (!connection)
        throw KoaError(errnum::Database, u"No SQLite connection for "_s + m_path);
    m_watch = std::make_unique<Watch>();
    m_watch->clock.start();
    sqlite3_progress_handler(connection, StepsPerCall, &Watch::onProgress, m_watch.get());
    exec(u"PRAGMA trusted_schema = OFF"_s);
}

QSqlQuery Database::exec(const QString& sql, const QVariantList& params) {
    if (m_watch)
        m_watch->restart();
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        fail(q, sql);
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        fail(q, sql);
    return q;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    QSqlQuery q = exec(sql, params);
    return q.next() ? q.value(0) : QVariant();
}

bool Database::hasTable(const QString& table) {
    return scalar(
               u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"_s,
               {table})
               .toInt() > 0;
}

QStringList Database::texts(const QString& sql, const QVariantList& params) {
    QStringList out;
    QSqlQuery q = exec(sql, params);
    while (q.next())
        out.append(fieldText(q.value(0)));
    return out;
}

QStringList Database::columns(const QString& table) {
    return texts(u"SELECT name FROM pragma_table_info(?)"_s, {table});
}

qint64 Database::rowCount(const QString& table) {
    return scalar(u"SELECT count(*) FROM "_s + quoteIdentifier(table)).toLongLong();
}

void Database::begin() {
    if (!m_db.transaction())
        throw KoaError(errnum::Database, m_db.lastError().text());
}

void Database::commit() {
    if (!m_db.commit())
        throw KoaError(errnum::Database, m_db.lastError().text());
}

void Database::fail(const QSqlQuery& q, const QString& sql) const {
    const QSqlError e = q.lastError();
    bool ok = false;
    const int native = e.nativeErrorCode().toInt(&ok);
    throw KoaError(errnum::Database + (ok ? native : 0), e.text() + u" ["_s + sql + u"]"_s);
}

QString quoteIdentifier(const QString& name) {
    QString n = name;
    n.replace(u"\""_s, u"\"\""_s);
    return u"\""_s + n + u"\""_s;
}

} // namespace koa
