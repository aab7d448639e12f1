#include "tests/support/testsupport.h"

#include "store/database.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace koa::test {

namespace {
QStringList layoutRows(const QString& database, bool indexes) {
    Database db(database, Database::Mode::ReadOnly);
    QSqlQuery q = db.exec(u"SELECT type, name, \"index\" FROM data ORDER BY \"index\", rowid"_s);
    QStringList out;
    while (q.next())
        out.append(q.value(0).toString() + u':' + q.value(1).toString() +
                   (indexes ? u':' + q.value(2).toString() : QString()));
    return out;
}
} // namespace

QStringList layoutOf(const QString& database) {
    return layoutRows(database, false);
}

QStringList indexedLayoutOf(const QString& database) {
    return layoutRows(database, true);
}

void addLayout(const QString& database, const QStringList& rows) {
    Database db(database);
    int index = db.scalar(u"SELECT COALESCE(MAX(\"index\") + 1, 0) FROM data"_s).toInt();
    for (const QString& row : rows)
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {row.section(u':', 0, 0), row.section(u':', 1), index++});
}

void setLayout(const QString& database, const QStringList& rows) {
    Database(database).exec(u"DELETE FROM data"_s);
    addLayout(database, rows);
}

QString link(char kind, const QString& function, const QString& target, const QString& inner) {
    return u"<a type="_s + QChar::fromLatin1(kind) +
           u" href=javascript:void(0); onclick=\"parent.engine."_s + function + u"(\\'"_s + target +
           u"\\');\">"_s + inner + u"</a>"_s;
}

void writeStubTemplates(const QString& root) {
    for (const char* name :
         {"page1", "page2", "page3", "page4", "menu1", "menu2", "menu3", "menu4", "header"})
        writeFile(root + u"/includes/"_s + QLatin1String(name) + u".inc"_s,
                  QByteArray("[") + name + "]");
    writeFile(root + u"/skins/Classic/tab1.inc"_s, "[tab1]");
    writeFile(root + u"/skins/Classic/tab2.inc"_s, "[tab2]");
}

QStringList itemsOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList itemsOf(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList itemsOf(const QTreeWidget* tree, int column) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(column);
    return out;
}

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
    setErrorSink([this](const ErrorReport& r) {
        m_reports.append(r);
        m_seen = false;
    });
}

ErrorRecorder::~ErrorRecorder() {
    setErrorSink({});
    QStringList unseen;
    for (const ErrorReport& r : m_reports)
        unseen.append(r.location + u": "_s + r.description);
    EXPECT_TRUE(m_seen) << "errors nobody expected:\n" << unseen.join(u'\n').toStdString();
}

QStringList ErrorRecorder::locations() const {
    m_seen = true;
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
    // The Flash player of a page being replaced may still touch its closed
    // sound output; the engine says so, and nothing is wrong.
    const bool closedSound = text.contains(QStringLiteral("AudioBufferSourceNode")) &&
                             text.contains(QStringLiteral("context is closed"));
    if (self && !closedSound &&
        QByteArray(context.category ? context.category : "") == "koa.browser" &&
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
