#include "objectstore.h"

#include "media/playablecopy.h"
#include "objecttypes.h"
#include "store/coursepaths.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/fileops.h"
#include "store/schema.h"
#include "store/textescape.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace koa::objectpool {

namespace {

bool hasDisplayFields(const QString& key) {
    const std::optional<ObjectKind> kind = kindOfTable(key);
    return kind && kindInfo(*kind).displaySize;
}

// Objects measured in KB.
bool isMedia(const QString& key) {
    return schema::mediaTables().contains(key, Qt::CaseInsensitive);
}

// The table of an object type; keys come from our own type list.
QString table(const QString& key) {
    if (!objectType(key))
        throw KoaError(errnum::Database, u"No object type "_s + key);
    return quoteIdentifier(key);
}

// The first row of a name, as the tables keep names unique without regard to case.
QString firstRow(const QString& key) {
    return u"rowid = (SELECT min(rowid) FROM "_s + table(key) + u" WHERE name = ?)"_s;
}

QString shownNumber(const QVariant& stored) {
    return stored.isNull() || stored.toString().isEmpty() ? u"1"_s
                                                          : QString::number(stored.toLongLong());
}

QVariant storedNumber(const QString& text) {
    if (text.trimmed().isEmpty())
        return QVariant();
    return std::min<qlonglong>(text.toLongLong(), MaxDisplaySize);
}

// Free text as stored: escaped, its line breaks as <br>.
QString storedText(const QString& shown) {
    QString text = withCrLf(shown);
    ParseText(text);
    ParseLinefeeds(text);
    return text;
}

} // namespace

ObjectStore::ObjectStore(QString workingFolder) : m_workingFolder(std::move(workingFolder)) {}

QString ObjectStore::database() const {
    return m_workingFolder + u"/koa.kod"_s;
}

QString ObjectStore::filePath(const QString& key, const QString& filename) const {
    return courseFilePath(m_workingFolder, key, filename);
}

QStringList ObjectStore::names(const QString& key) const {
    return Database(database(), Database::Mode::ReadOnly)
        .texts(u"SELECT name FROM "_s + table(key) + u" ORDER BY rowid"_s);
}

bool ObjectStore::exists(const QString& key, const QString& name) const {
    Database db(database(), Database::Mode::ReadOnly);
    return db.scalar(u"SELECT count(*) FROM "_s + table(key) + u" WHERE name = ?"_s, {name})
               .toInt() > 0;
}

std::optional<ObjectStore::Properties> ObjectStore::read(const QString& key,
                                                         const QString& name) const {
    Database db(database(), Database::Mode::ReadOnly);
    const QString columns = hasDisplayFields(key)
                                ? u"filename, size, alignment, float, width, height, caption"_s
                            : isMedia(key) ? u"filename, size"_s
                                           : u"filename, NULL"_s; // documents
    QSqlQuery q = db.exec(
        u"SELECT "_s + columns + u" FROM "_s + table(key) + u" WHERE "_s + firstRow(key), {name});
    if (!q.next())
        return std::nullopt;
    Properties p;
    p.filename = q.value(0).toString();
    p.size = q.value(1);
    if (hasDisplayFields(key)) {
        p.alignment = q.value(2).toString().isEmpty() ? u"Center"_s : q.value(2).toString();
        p.floating = q.value(3).toInt() != 0;
        p.width = shownNumber(q.value(4));
        p.height = shownNumber(q.value(5));
        p.caption = withLf(unParseText(q.value(6)));
    }
    return p;
}

void ObjectStore::write(const QString& key, const QString& name, const Properties& shown) {
    if (!hasDisplayFields(key))
        return;
    Database db(database());
    db.exec(u"UPDATE "_s + table(key) +
                u" SET caption = ?, alignment = ?, width = ?, height = ?, float = ? WHERE "_s +
                firstRow(key),
            {storedText(shown.caption), shown.alignment, storedNumber(shown.width),
             storedNumber(shown.height), shown.floating ? 1 : 0, name});
}

void ObjectStore::addWithFile(const QString& key, const QString& name, const QString& chosenFile,
                              const std::function<QSize(const QString&)>& measure) {
    Database db(database());
    db.begin();
    QString copied;
    try {
        db.exec(u"INSERT INTO "_s + table(key) + u" (name) VALUES (?)"_s, {name});
        const qint64 id = db.scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
        const QString filename = freeFileName(key, id, chosenFile);
        copied = filePath(key, filename);
        if (copied.isEmpty()) // a link of that name in the folder leads out of it
            throw KoaError(errnum::PathFileAccess, u"Cannot store "_s + chosenFile);
        copyFileOver(chosenFile, copied);
        db.exec(u"UPDATE "_s + table(key) + u" SET filename = ? WHERE rowid = ?"_s, {filename, id});
        if (isMedia(key)) {
            db.exec(u"UPDATE "_s + table(key) + u" SET size = ? WHERE rowid = ?"_s,
                    {kilobytes(QFileInfo(chosenFile).size()), id});
        }
        if (hasDisplayFields(key)) {
            const QSize display = measure ? measure(copied) : QSize();
            db.exec(u"UPDATE "_s + table(key) +
                        u" SET width = ?, height = ?, alignment = 'Center' WHERE rowid = ?"_s,
                    {display.isValid() ? QVariant(display.width()) : QVariant(),
                     display.isValid() ? QVariant(display.height()) : QVariant(), id});
        }
        db.commit();
    } catch (...) {
        if (!copied.isEmpty())
            QFile::remove(copied);
        throw; // the open transaction is rolled back when the database closes
    }
}

QString ObjectStore::freeFileName(const QString& key, qint64 id, const QString& chosenFile) const {
    // A course from elsewhere may keep another object's file under the new
    // object's name, or that name's playable copy: neither is overwritten.
    const auto taken = [&](const QString& name) {
        const QString path = filePath(key, name);
        return !path.isEmpty() &&
               (QFileInfo::exists(path) ||
                QFileInfo::exists(filePath(key, media::playableCopyName(key, name))));
    };
    const QString first = storedFileName(id, chosenFile);
    const QString extension = first.mid(QString::number(id).size()); // "" or ".gif"
    QString name = first;
    for (int n = 1; taken(name); ++n)
        name = QString::number(id) + u'_' + QString::number(n) + extension;
    return name;
}

void ObjectStore::add(const QString& key, const QString& name) {
    Database(database()).exec(u"INSERT INTO "_s + table(key) + u" (name) VALUES (?)"_s, {name});
}

void ObjectStore::rename(const QString& key, const QString& oldName, const QString& newName) {
    Database db(database());
    db.begin();
    db.exec(u"UPDATE "_s + table(key) + u" SET name = ? WHERE "_s + firstRow(key),
            {newName, oldName});
    db.exec(u"UPDATE data SET name = ? WHERE type = ? AND name = ?"_s, {newName, key, oldName});
    if (isKind(key, ObjectKind::Sound))
        db.exec(u"UPDATE pages SET sound = ? WHERE sound = ?"_s, {newName, oldName});
    if (isKind(key, ObjectKind::Quiz))
        db.exec(u"UPDATE statements SET quizname = ? WHERE quizname = ?"_s, {newName, oldName});
    db.commit();
}

bool ObjectStore::inUse(const QString& key, const QString& name) const {
    Database db(database(), Database::Mode::ReadOnly);
    if (isKind(key, ObjectKind::Sound))
        return db.scalar(u"SELECT count(*) FROM pages WHERE sound = ?"_s, {name}).toInt() > 0;
    return db.scalar(u"SELECT count(*) FROM data WHERE name = ? AND type = ?"_s, {name, key})
               .toInt() > 0;
}

std::optional<QString> ObjectStore::textUsingKeyword(const QString& keyword) const {
    QString escaped = keyword;
    ParseText(escaped);
    // A keyword link calls keyword(\'name\') in the stored markup. Its name
    // is compared as the database compares keyword names (the editor links
    // "anchor" to the keyword "Anchor"): ASCII letters in either case.
    const QString call = u"keyword(\\'"_s + escaped + u"\\'"_s;
    Database db(database(), Database::Mode::ReadOnly);
    QSqlQuery q = db.exec(
        u"SELECT name FROM texts WHERE instr(lower(text), lower(?)) > 0 ORDER BY rowid LIMIT 1"_s,
        {call});
    if (q.next())
        return q.value(0).toString();
    return std::nullopt;
}

ObjectStore::Removed ObjectStore::remove(const QString& key, const QString& name) {
    std::optional<Properties> row;
    if (!fileFolderOf(key).isEmpty()) {
        row = read(key, name);
        if (!row)
            return Removed::Done;
    }
    // The rows go first and are kept until the file is gone too: a delete
    // that fails either way leaves the object whole.
    Database db(database());
    db.begin();
    if (isKind(key, ObjectKind::Quiz))
        db.exec(u"DELETE FROM statements WHERE quizname = ?"_s, {name});
    db.exec(u"DELETE FROM "_s + table(key) + u" WHERE "_s + firstRow(key), {name});
    Removed result = Removed::Done;
    if (row) {
        const QString path = filePath(key, row->filename);
        QFile file(path);
        if (!row->filename.isEmpty() && path.isEmpty()) {
            result = Removed::FileLeftAlone;
        } else if (!row->filename.isEmpty() && file.exists()) {
            file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
            if (!file.remove())
                throw KoaError(errnum::PermissionDenied, u"Cannot delete "_s + path);
        }
        if (!path.isEmpty())
            media::removePlayableCopy(m_workingFolder, key, row->filename);
    }
    db.commit();
    return result;
}

QString ObjectStore::description(const QString& keyword) const {
    Database db(database(), Database::Mode::ReadOnly);
    return withLf(unParseText(
        db.scalar(u"SELECT desc FROM keywords WHERE "_s + firstRow(u"keywords"_s), {keyword})));
}

void ObjectStore::setDescription(const QString& keyword, const QString& shown) {
    Database(database())
        .exec(u"UPDATE keywords SET desc = ? WHERE "_s + firstRow(u"keywords"_s),
              {storedText(shown), keyword});
}

QString ObjectStore::markup(const QString& text) const {
    Database db(database(), Database::Mode::ReadOnly);
    return db.scalar(u"SELECT text FROM texts WHERE "_s + firstRow(u"texts"_s), {text}).toString();
}

void ObjectStore::setMarkup(const QString& text, const QString& markup) {
    Database db(database());
    if (db.exec(u"UPDATE texts SET text = ? WHERE "_s + firstRow(u"texts"_s), {markup, text})
            .numRowsAffected() < 1)
        throw KoaError(errnum::NoCurrentRecord, u"No current record."_s);
}

} // namespace koa::objectpool
