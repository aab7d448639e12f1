#include "staging.h"

#include "media/playablecopy.h"
#include "store/coursedb.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/objectkinds.h"
#include "store/package.h"
#include "store/textescape.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

Q_LOGGING_CATEGORY(lcStaging, "koa.online.staging")

namespace {
// The kinds with files, in the order they are checked.
const QList<ObjectKind>& kinds() {
    static const QList<ObjectKind> k = {ObjectKind::Movie, ObjectKind::Picture, ObjectKind::Sound,
                                        ObjectKind::Document, ObjectKind::Flash};
    return k;
}
} // namespace

Staging::Staging(QString workingFolder, QString uploadFolder)
    : m_working(std::move(workingFolder)), m_upload(std::move(uploadFolder)) {}

void Staging::removeUnusedMedia(const QString& database,
                                const std::function<void(int, int)>& progress) {
    Database db(database);
    // Documents count as used only from the texts that are placed on pages.
    const QStringList placedTexts = db.texts(
        u"SELECT texts.text FROM data, texts WHERE data.name = texts.name AND data.type = 'texts'"_s);
    QList<std::pair<QString, QStringList>> names;
    int total = 0;
    for (const ObjectKind kind : kinds()) {
        const QString table = tableOf(kind);
        names.append({table, db.texts(u"SELECT name FROM "_s + quoteIdentifier(table))});
        total += static_cast<int>(names.last().second.size());
    }
    int done = 0;
    db.begin();
    for (const auto& [table, list] : std::as_const(names)) {
        for (const QString& name : list) {
            bool used = false;
            if (isKind(table, ObjectKind::Sound)) {
                used =
                    db.scalar(u"SELECT 1 FROM pages WHERE sound = ? LIMIT 1"_s, {name}).isValid();
            } else if (isKind(table, ObjectKind::Document)) {
                // The text editor stores a name's "<" and ">" as references;
                // links stored earlier hold the name as it stands.
                const QString link = u"dlink(\\'"_s + name + u"\\')"_s;
                const QString storedLink = u"dlink(\\'"_s + linkName(name) + u"\\')"_s;
                used =
                    std::any_of(placedTexts.begin(), placedTexts.end(), [&](const QString& text) {
                        return text.contains(link) || text.contains(storedLink);
                    });
            } else {
                used = db.scalar(u"SELECT 1 FROM data WHERE name = ? LIMIT 1"_s, {name}).isValid();
            }
            if (!used)
                db.exec(u"DELETE FROM "_s + quoteIdentifier(table) + u" WHERE name = ?"_s, {name});
            if (progress)
                progress(++done, total);
        }
    }
    db.commit();
}

QString Staging::stage(int id, bool readOnly) {
    removeFolder(m_upload);
    const QString course = m_upload + u"/course"_s;
    if (!QDir().mkpath(course))
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + course);
    const QString database = course + u"/koa.kod"_s;
    copyFileOver(m_working + u"/koa.kod"_s, database);
    {
        Database db(database);
        db.exec(u"UPDATE header SET status = ?"_s, {readOnly ? 1 : 0});
    }
    removeUnusedMedia(database, m_progress);
    if (!CompressDatabase(database, course))
        throw KoaError(errnum::Database, u"Cannot compact "_s + database);
    QFile::remove(course + u"/tmp.mdb"_s);

    {
        Database db(database, Database::Mode::ReadOnly);
        for (const ObjectKind kind : kinds()) {
            const QString table = tableOf(kind);
            const QString to = course + u'/' + kindInfo(kind).folder;
            if (!QDir().mkpath(to))
                throw KoaError(errnum::PathNotFound, u"Cannot create "_s + to);
            for (const QString& file :
                 db.texts(u"SELECT filename FROM "_s + quoteIdentifier(table))) {
                const QString from = courseFilePath(m_working, table, file);
                if (from.isEmpty() || !QFileInfo::exists(from)) {
                    // The course opens without it too; the package stays whole.
                    qCWarning(lcStaging) << "missing file left out:" << table << file;
                    continue;
                }
                copyFileOver(from, to + u'/' + QFileInfo(from).fileName());
                // The copy browsers play of an older movie or sound goes with it.
                const QString copy = media::existingPlayableCopy(m_working, table, file);
                if (!copy.isEmpty())
                    copyFileOver(copy, to + u'/' + QFileInfo(copy).fileName());
            }
        }
    }
    const QString package = m_upload + u'/' + QString::number(id) + u".kof"_s;
    package::packFolder(course, package);
    removeFolder(course);
    return package;
}

} // namespace koa::online
