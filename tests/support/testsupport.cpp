#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

void pointUserFoldersAt(const QString& base) {
    QDir(base).mkpath(u"data"_s);
    QDir(base).mkpath(u"config"_s);
    QDir(base).mkpath(u"runtime"_s);
    QFile::setPermissions(base + u"/runtime"_s,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + u"/data"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + u"/config"_s));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + u"/runtime"_s));
    qputenv("HOME", QFile::encodeName(base));
}

ErrorRecorder::ErrorRecorder() {
    setErrorSink([this](const ErrorReport& r) { m_reports.append(r); });
}

ErrorRecorder::~ErrorRecorder() {
    setErrorSink({});
}

QStringList ErrorRecorder::locations() const {
    QStringList out;
    for (const ErrorReport& r : m_reports)
        out.append(r.location);
    return out;
}

namespace {
BrowserWarnings* g_browserWarnings = nullptr;
} // namespace

BrowserWarnings::BrowserWarnings() {
    g_browserWarnings = this;
    m_previous = qInstallMessageHandler(&BrowserWarnings::handler);
}

BrowserWarnings::~BrowserWarnings() {
    qInstallMessageHandler(m_previous);
    g_browserWarnings = nullptr;
}

void BrowserWarnings::handler(QtMsgType type, const QMessageLogContext& context,
                              const QString& text) {
    BrowserWarnings* self = g_browserWarnings;
    if (self && QByteArray(context.category ? context.category : "") == "koa.browser" &&
        (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg ||
         text.contains(QStringLiteral("Uncaught"))))
        self->m_texts << text;
    if (self && self->m_previous)
        self->m_previous(type, context, text);
}

ScriptedScope::ScriptedScope() {
    setInteraction(&m_scripted);
}
ScriptedScope::~ScriptedScope() {
    setInteraction(nullptr);
}

TempProgramFolder::TempProgramFolder() {
    QDir(m_dir.path()).mkpath(u"root"_s);
    QDir(m_dir.path()).mkpath(u"scratch"_s);
    m_folder = std::make_unique<ProgramFolder>(m_dir.path() + u"/root"_s,
                                               QCoreApplication::applicationDirPath());
    m_folder->prepare();
}

QString TempProgramFolder::scratch(const QString& rel) const {
    return m_dir.path() + u"/scratch/"_s + rel;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QStringList treeOf(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        it.next();
        out.append(base.relativeFilePath(it.filePath()) +
                   (it.fileInfo().isDir() ? u"/"_s : QString()));
    }
    out.sort();
    return out;
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    // A condition may act (click, send): it runs once per round, never
    // re-entered while it waits itself, and never again once it held.
    bool held = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        check.stop();
        held = condition();
        if (held)
            loop.quit();
        else
            check.start(10);
    });
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    check.start(10);
    loop.exec();
    return held;
}

} // namespace koa::test
