#pragma once

// Helpers for suites that run koa-tool, write or read course tables, need a
// disk that fills up, a port that refuses or an environment variable changed
// for a while; header-only, so the shared test library stays as it is.
#include "store/database.h"
#include "store/package.h"

#include <csignal>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace koa::test {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
    QString all() const { return out + err; }
};

// Runs the koa-tool beside the tests. The event loop runs meanwhile, so
// servers of the test on this thread answer the tool.
inline ToolRun runKoaTool(const QStringList& arguments, const QString& workingFolder = {},
                          const QProcessEnvironment& environment = {}) {
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    if (!environment.isEmpty())
        p.setProcessEnvironment(environment);
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/koa-tool"), arguments);
    if (p.state() != QProcess::NotRunning)
        loop.exec();
    ToolRun r;
    if (p.state() != QProcess::NotRunning || p.exitStatus() != QProcess::NormalExit)
        ADD_FAILURE() << "koa-tool did not finish: " << arguments.join(u' ').toStdString();
    else
        r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// A local port that nothing listens on.
inline quint16 closedPort() {
    QTcpServer gone;
    return gone.listen(QHostAddress::LocalHost, 0) ? gone.serverPort() : 0;
}

// "a|b" per row of a query on a course database; a null field as `null`;
// `params` bound to the query's `?`.
inline QStringList rowsOf(const QString& database, const QString& sql,
                          const QString& null = QString(), const QVariantList& params = {}) {
    Database db(database, Database::Mode::ReadOnly);
    QSqlQuery q = db.exec(sql, params);
    QStringList out;
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < q.record().count(); ++i)
            fields.append(q.value(i).isNull() ? null : q.value(i).toString());
        out.append(fields.join(u'|'));
    }
    return out;
}

// A course database made by `sql` in `folder`, packed as `package` if one is named.
inline void writeCourse(const QString& folder, const QStringList& sql,
                        const QString& package = {}) {
    QDir().mkpath(folder + QStringLiteral("/pictures"));
    for (const QString& statement : sql)
        Database(folder + QStringLiteral("/koa.kod"), Database::Mode::Create).exec(statement);
    if (!package.isEmpty())
        package::packFolder(folder, package);
}

// A file size limit while it lives: a disk that fills up during a write
// (which then fails instead of the signal ending the test).
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : m_signal(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        set = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }
    bool set = false;
    rlimit m_old{};
    void (*m_signal)(int);
};

// An environment variable set to a path while it lives, then as it was.
struct ScopedEnv {
    ScopedEnv(const char* name, const QString& path)
        : name(name), old(qgetenv(name)), wasSet(qEnvironmentVariableIsSet(name)) {
        qputenv(name, QFile::encodeName(path));
    }
    ~ScopedEnv() { wasSet ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    QByteArray old;
    bool wasSet;
};

} // namespace koa::test
