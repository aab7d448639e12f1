#include "coursefiles.h"

#include "coursedb.h"
#include "courseheader.h"
#include "coursepaths.h"
#include "database.h"
#include "errors.h"
#include "fileops.h"
#include "interaction.h"
#include "package.h"
#include "schema.h"

#include <filesystem>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

namespace koa {

Q_LOGGING_CATEGORY(lcFiles, "koa.files")

namespace {
// Runs endWait whatever way the operation leaves.
class WaitGuard {
public:
    WaitGuard(CourseHost& host, bool wait) : m_host(host), m_active(wait) {
        if (m_active)
            m_host.startWait();
    }
    ~WaitGuard() { end(); }
    void end() {
        if (m_active)
            m_host.endWait();
        m_active = false;
    }

private:
    CourseHost& m_host;
    bool m_active;
};

// The open course is the user's alone.
void keepPrivate(const QString& folder) {
    std::error_code ec;
    std::filesystem::permissions(fsPath(folder), std::filesystem::perms::owner_all, ec);
}

void moveFolder(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (ec)
        throw KoaError(errnum::PathFileAccess, u"Cannot move "_s + from + u" to "_s + to);
}

// Deletes a scratch folder; one left behind is deleted by its next use.
void removeScratch(const QString& folder) {
    std::error_code ec;
    std::filesystem::remove_all(fsPath(folder), ec);
}

const QStringList importOrder = {u"flash"_s,      u"data"_s,   u"header"_s,   u"quizes"_s,
                                 u"statements"_s, u"pages"_s,  u"keywords"_s, u"movies"_s,
                                 u"pictures"_s,   u"sounds"_s, u"dlinks"_s,   u"texts"_s};
} // namespace

bool CourseHost::SaveCourse(bool) {
    return true;
}

void CourseFiles::replaceWorkingFolder(const QString& staging) {
    // The open course steps aside first and comes back if the new one cannot
    // take its place, so a failure never leaves half a course.
    const QString work = m_folder.workingFolder();
    const QString previous = m_folder.path(u"koaopenold"_s);
    removeScratch(previous);
    const bool hadCourse = QFileInfo::exists(work);
    if (hadCourse)
        moveFolder(work, previous);
    try {
        moveFolder(staging, work);
        keepPrivate(work);
    } catch (...) {
        if (hadCourse)
            moveFolder(previous, work);
        throw;
    }
    removeScratch(previous);
}

CourseFiles::CourseFiles(ProgramFolder folder, CourseHost& host)
    : m_folder(std::move(folder)), m_host(host) {}

bool CourseFiles::hasWorkingFolder() const {
    return QFileInfo::exists(m_folder.workingFolder());
}

bool CourseFiles::rescueNeeded() const {
    return QFileInfo::exists(m_folder.workingDatabase());
}

void CourseFiles::loaded(const QString& path, const QString& displayName) {
    m_currentPath = path;
    m_displayName = displayName;
    m_host.courseLoaded();
}

void CourseFiles::New_file(bool wait) {
    trap(u"fileselector / New_file()"_s, [&] {
        WaitGuard guard(m_host, wait);
        removeFolder(m_folder.workingFolder());
        copyFolder(m_folder.blankFolder(), m_folder.workingFolder());
        keepPrivate(m_folder.workingFolder());
        loaded(QString(), u"New file"_s);
    });
}

bool CourseFiles::Open_file(const QString& givenPath, bool wait) {
    if (hasWorkingFolder() && !m_host.SaveCourse(false))
        return false;
    QString path = givenPath;
    if (path.isEmpty()) {
        const std::optional<QString> chosen =
            interaction().openFile(u"Open"_s, u"KOA files |*.kof"_s);
        if (!chosen || chosen->isEmpty())
            return false;
        path = *chosen;
    }
    m_host.closeEditors();
    WaitGuard guard(m_host, wait);
    const QString staging = m_folder.openTempFolder();
    try {
        // Unpacked beside the open course first: a package that fails to open
        // leaves the course that was open as it was.
        removeFolder(staging);
        package::unpackPackage(path, staging);
        if (!QFileInfo::exists(staging + u"/koa.kod"_s))
            throw KoaError(errnum::FileNotFound, u"The package holds no koa.kod"_s);
        checkCourseDatabase(staging + u"/koa.kod"_s);
        {
            // A database without a header is no course, whatever its version reads.
            Database course(staging + u"/koa.kod"_s, Database::Mode::ReadOnly);
            if (!course.hasTable(u"header"_s))
                throw KoaError(errnum::Database, u"The package holds no course database"_s);
        }
        const QString version = CheckKOFVersion(staging + u"/koa.kod"_s);
        if (version >= QString::fromLatin1(schema::CurrentVersion)) {
            // Packed by hand or by an older program: media can be added all the same.
            for (const QString& media : schema::courseFolders()) {
                if (!QDir().mkpath(staging + u"/"_s + media))
                    throw KoaError(errnum::PathFileAccess, u"Cannot create the folder "_s + media);
            }
            completeCourseTables(staging + u"/koa.kod"_s);
            replaceWorkingFolder(staging);
            ValidateDataTable(m_folder.workingDatabase());
            loaded(path, QFileInfo(path).completeBaseName());
            guard.end();
            m_host.setSkipNextRender();
            return true;
        }
        guard.end();
        interaction().message(messages::OlderVersion);
        if (!enoughFreeSpace(staging, m_folder.root())) {
            interaction().message(messages::NoFreeSpace);
            throw KoaError(errnum::DiskFull, messages::NoFreeSpace);
        }
        const QString importTemp = m_folder.importTempFolder();
        removeFolder(importTemp);
        moveFolder(staging, importTemp);
        const bool converted = ImportFile(importTemp);
        if (converted)
            loaded(QString(), u"Imported file"_s);
        else
            New_file(false);
        removeScratch(importTemp);
        return converted;
    } catch (const std::exception& e) {
        qCWarning(lcFiles) << "open failed:" << e.what();
        guard.end();
        removeScratch(staging);
        interaction().message(messages::ErrorOpening);
        // The editor windows were closed: show the course that is still open.
        if (QFileInfo::exists(m_folder.workingDatabase()))
            m_host.courseLoaded();
        return false;
    }
}

bool CourseFiles::Save_course(bool saveAs) {
    QString path = m_currentPath;
    if (saveAs || path.isEmpty()) {
        const std::optional<QString> chosen =
            interaction().saveFile(u"Save"_s, u"KOA files (*.kof) |*.kof"_s);
        if (!chosen || chosen->isEmpty())
            return false;
        path = *chosen;
    }
    WaitGuard guard(m_host, true);
    try {
        CompressDatabase(m_folder.workingDatabase(), m_folder.workingFolder());
        // The package is written beside its destination before it replaces the old one.
        if (!enoughFreeSpace(m_folder.workingFolder(), QFileInfo(path).absolutePath())) {
            guard.end();
            interaction().message(messages::NoFreeSpace);
            throw KoaError(errnum::DiskFull, messages::NoFreeSpace);
        }
        package::packFolder(m_folder.workingFolder(), path);
        guard.end();
        m_currentPath = path;
        m_displayName = QFileInfo(path).completeBaseName();
        m_host.titlesChanged();
        return true;
    } catch (const std::exception& e) {
        qCWarning(lcFiles) << "save failed:" << e.what();
        guard.end();
        interaction().message(messages::ErrorSaving);
        return false;
    }
}

void CourseFiles::Import() {
    trap(u"fileselector / Import()"_s, [&] {
        if (!m_host.SaveCourse(false))
            return;
        const std::optional<QString> chosen =
            interaction().openFile(u"Import"_s, u"Exported KOA files (koa.inf)|koa.inf"_s);
        if (!chosen || chosen->isEmpty())
            return;
        WaitGuard guard(m_host, true);
        m_host.closeEditors();
        if (ImportFile(QFileInfo(*chosen).absolutePath() + u"/temp"_s))
            loaded(QString(), u"Imported file"_s);
        else
            New_file(false);
    });
}

bool CourseFiles::ImportFile(const QString& folder) {
    return trapped<bool>(u"fileselector / ImportFile()"_s, false, [&] {
        const QDir source(folder);
        if (!QFileInfo(source.filePath(u"koa.kod"_s)).isFile()) {
            interaction().message(messages::FileCorrupt);
            return false;
        }
        checkCourseDatabase(source.filePath(u"koa.kod"_s));
        const QString work = m_folder.workingFolder();
        removeFolder(work);
        copyFolder(m_folder.blankFolder(), work);
        keepPrivate(work);
        {
            Database from(source.filePath(u"koa.kod"_s), Database::Mode::ReadOnly);
            Database to(m_folder.workingDatabase());
            to.begin();
            for (const QString& table : importOrder) {
                try {
                    if (!from.hasTable(table) || !to.hasTable(table))
                        continue;
                    const QStringList targetColumns = to.columns(table);
                    if (table == u"header"_s) {
                        to.exec(u"DELETE FROM header"_s);
                    } else if (table == u"data"_s) {
                        to.exec(u"DELETE FROM data"_s);
                    }
                    QSqlQuery rows = from.exec(u"SELECT * FROM "_s + quoteIdentifier(table));
                    const int fields = std::min<int>(rows.record().count(), targetColumns.size());
                    QStringList names;
                    for (int i = 0; i < fields; ++i)
                        names.append(quoteIdentifier(targetColumns[i]));
                    const QString insert = u"INSERT INTO "_s + quoteIdentifier(table) + u" ("_s +
                                           names.join(u", "_s) + u") VALUES ("_s +
                                           QStringList(fields, u"?"_s).join(u", "_s) + u")"_s;
                    const QString mediaFolder = fileFolderOf(table);
                    while (rows.next()) {
                        if (!mediaFolder.isEmpty()) {
                            const QString file = rows.value(u"filename"_s).toString();
                            const QString from = courseFilePath(source.path(), table, file);
                            const QString to = courseFilePath(work, table, file);
                            if (!from.isEmpty() && !to.isEmpty()) {
                                try {
                                    copyFileOver(from, to);
                                } catch (const KoaError& e) {
                                    qCWarning(lcFiles) << "import:" << e.what();
                                }
                            }
                        }
                        QVariantList values;
                        for (int i = 0; i < fields; ++i)
                            values.append(rows.value(i));
                        try {
                            to.exec(insert, values);
                        } catch (const KoaError& e) {
                            qCWarning(lcFiles) << "import:" << e.what();
                        }
                    }
                } catch (const KoaError& e) {
                    qCWarning(lcFiles) << "import of" << table << "failed:" << e.what();
                }
            }
            // A course without its header row would break every window.
            CourseHeader header(to);
            header.ensure();
            header.setVersion(QString::fromLatin1(schema::CurrentVersion));
            to.commit();
        }
        ValidateDataTable(m_folder.workingDatabase());
        CompressDatabase(m_folder.workingDatabase(), work);
        return true;
    });
}

bool CourseFiles::offerRescue() {
    const Interaction::Answer answer =
        interaction().question(messages::Rescue, u"Rescue"_s, Interaction::Buttons::YesNo);
    if (answer != Interaction::Answer::Yes) {
        trap(u"fileselector / Form_Load()"_s, [&] { removeFolder(m_folder.workingFolder()); });
        return false;
    }
    WaitGuard guard(m_host, true);
    const QString rescue = m_folder.rescueFolder();
    const bool copied = trap(u"fileselector / Form_Load()"_s, [&] {
        removeFolder(rescue);
        copyFolder(m_folder.workingFolder(), rescue);
    });
    if (!copied) {
        // Without a copy to convert from, the left course is worked on as it is.
        ValidateDataTable(m_folder.workingDatabase());
        loaded(QString(), u"Rescued file"_s);
        return true;
    }
    const QDir work(m_folder.workingFolder());
    for (const QFileInfo& f : work.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(f.filePath());
    if (ImportFile(rescue)) {
        loaded(QString(), u"Rescued file"_s);
        return true;
    }
    // The copy in the rescue folder is now the only one: it moves where no
    // later start or rescue deletes it, and the user is told where.
    const QString kept = keptRescueFolder();
    const bool moved = trap(u"fileselector / Form_Load()"_s, [&] { moveFolder(rescue, kept); });
    New_file(false);
    guard.end();
    interaction().message(messages::RescueFailed + QDir::toNativeSeparators(moved ? kept : rescue));
    return true;
}

QString CourseFiles::keptRescueFolder() const {
    const QString stem = m_folder.path(
        u"rescued "_s + QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh.mm.ss"_s));
    QString kept = stem;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = stem + u" ("_s + QString::number(n) + u")"_s;
    return kept;
}

void CourseFiles::removeWorkingFolders() {
    removeFolder(m_folder.workingFolder());
    removeFolder(m_folder.rescueFolder());
}

} // namespace koa
