#include "layoutstore.h"

#include "rules.h"
#include "store/database.h"
#include "store/errors.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::composer {

namespace {

// Empty texts are stored as '' as the blank course has them, never as NULL.
QVariant stored(const QString& text) {
    return text.isEmpty() ? QVariant(u""_s) : QVariant(text);
}

} // namespace

LayoutStore::LayoutStore(QString databasePath) : m_path(std::move(databasePath)) {}

QList<LayoutStore::Row> LayoutStore::readAll(Database& db) {
    QList<Row> rows;
    QSqlQuery q = db.exec(u"SELECT type, name, \"index\" FROM data ORDER BY \"index\", rowid"_s);
    while (q.next())
        rows.append({fieldText(q.value(0)), fieldText(q.value(1)), q.value(2)});
    return rows;
}

int LayoutStore::findModule(const QList<Row>& rows, const QString& name) {
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].type == rowtypes::Modules && rows[i].name == name)
            return i;
    }
    throw KoaError(errnum::Database, u"No module named "_s + name);
}

int LayoutStore::moduleEnd(const QList<Row>& rows, int module) {
    int end = module + 1;
    while (end < rows.size() && rows[end].type != rowtypes::Modules)
        ++end;
    return end;
}

void LayoutStore::rewrite(Database& db, const QList<Row>& stored, const QList<Row>& wanted) {
    bool numbered = stored == wanted;
    for (int i = 0; numbered && i < stored.size(); ++i)
        numbered = !stored[i].index.isNull() && stored[i].index.toLongLong() == i;
    if (numbered)
        return;
    db.exec(u"DELETE FROM data"_s);
    for (int i = 0; i < wanted.size(); ++i) {
        db.exec(u"INSERT INTO data (type, name, \"index\") VALUES (?, ?, ?)"_s,
                {composer::stored(wanted[i].type), composer::stored(wanted[i].name), i});
    }
}

void LayoutStore::tidyPages(Database& db) {
    db.exec(u"DELETE FROM pages WHERE coalesce(name, '') = '' OR name NOT IN "
            "(SELECT name FROM data WHERE type = 'pages' AND coalesce(name, '') <> '')"_s);
}

QStringList LayoutStore::modules() const {
    Database db(m_path, Database::Mode::ReadOnly);
    QStringList names;
    for (const Row& r : readAll(db)) {
        if (r.type == rowtypes::Modules)
            names.append(r.name);
    }
    return names;
}

bool LayoutStore::ensureModule() {
    Database db(m_path);
    db.begin();
    const QList<Row> all = readAll(db);
    if (std::any_of(all.begin(), all.end(),
                    [](const Row& r) { return r.type == rowtypes::Modules; }))
        return false;
    QList<Row> wanted = {{rowtypes::Modules, u"New Module"_s, {}}};
    if (all.isEmpty() || all.front().type != rowtypes::Pages)
        wanted.append({rowtypes::Pages, {}, {}});
    rewrite(db, all, wanted + all);
    db.commit();
    return true;
}

QList<LayoutRow> LayoutStore::readModule(const QString& module) const {
    Database db(m_path, Database::Mode::ReadOnly);
    const QList<Row> all = readAll(db);
    const int at = findModule(all, module);
    QList<LayoutRow> rows;
    for (int i = at + 1; i < moduleEnd(all, at); ++i) {
        LayoutRow row{all[i].type, all[i].name, {}, {}};
        if (row.isPage() && !row.name.isEmpty()) {
            QSqlQuery q =
                db.exec(u"SELECT sound, tabtext FROM pages WHERE name = ? ORDER BY ID LIMIT 1"_s,
                        {row.name});
            if (q.next()) {
                row.sound = fieldText(q.value(0));
                row.tab = shownTab(fieldText(q.value(1)));
            }
        }
        rows.append(row);
    }
    return rows;
}

void LayoutStore::writeModule(const QString& module, const QList<LayoutRow>& rows,
                              const std::optional<PageRename>& rename) {
    Database db(m_path);
    db.begin();
    const QList<Row> all = readAll(db);
    const int at = findModule(all, module);
    QList<Row> wanted = all.mid(0, at + 1);
    for (const LayoutRow& r : rows)
        wanted.append({r.type, r.name, {}});
    wanted.append(all.mid(moduleEnd(all, at)));
    rewrite(db, all, wanted);

    if (rename && !rename->from.isEmpty()) {
        db.exec(u"UPDATE pages SET name = ? WHERE ID = "
                "(SELECT min(ID) FROM pages WHERE name = ?)"_s,
                {rename->to, rename->from});
    }
    for (const LayoutRow& r : rows) {
        if (!r.isPage() || r.name.isEmpty())
            continue;
        const QString tab = storedTab(r.tab);
        QSqlQuery q = db.exec(
            u"SELECT ID, sound, tabtext FROM pages WHERE name = ? ORDER BY ID LIMIT 1"_s, {r.name});
        if (!q.next()) {
            db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES (?, ?, ?)"_s,
                    {r.name, stored(r.sound), stored(tab)});
        } else if (fieldText(q.value(1)) != r.sound || fieldText(q.value(2)) != tab) {
            db.exec(u"UPDATE pages SET sound = ?, tabtext = ? WHERE ID = ?"_s,
                    {stored(r.sound), stored(tab), q.value(0)});
        }
    }
    tidyPages(db);
    db.commit();
}

void LayoutStore::addModule(const QString& name) {
    Database db(m_path);
    db.begin();
    const QList<Row> all = readAll(db);
    rewrite(db, all, all + QList<Row>{{rowtypes::Modules, name, {}}, {rowtypes::Pages, {}, {}}});
    db.commit();
}

void LayoutStore::deleteModule(const QString& name) {
    Database db(m_path);
    db.begin();
    QList<Row> all = readAll(db);
    const int at = findModule(all, name);
    QList<Row> wanted = all;
    wanted.remove(at, moduleEnd(all, at) - at);
    rewrite(db, all, wanted);
    tidyPages(db);
    db.commit();
}

void LayoutStore::renameModule(const QString& from, const QString& to) {
    Database db(m_path);
    db.begin();
    QList<Row> all = readAll(db);
    QList<Row> wanted = all;
    wanted[findModule(all, from)].name = to;
    rewrite(db, all, wanted);
    db.commit();
}

void LayoutStore::moveModule(const QString& name, const QString& before) {
    Database db(m_path);
    db.begin();
    const QList<Row> all = readAll(db);
    const int at = findModule(all, name);
    const QList<Row> block = all.mid(at, moduleEnd(all, at) - at);
    QList<Row> wanted = all;
    wanted.remove(at, block.size());
    // Only a module row is a target, whatever else bears its name.
    const qsizetype to = before.isEmpty() ? wanted.size() : findModule(wanted, before);
    for (qsizetype i = 0; i < block.size(); ++i)
        wanted.insert(to + i, block[i]);
    rewrite(db, all, wanted);
    db.commit();
}

QStringList LayoutStore::pageNames() const {
    Database db(m_path, Database::Mode::ReadOnly);
    QStringList names;
    for (const Row& r : readAll(db)) {
        if (r.type == rowtypes::Pages && !r.name.isEmpty())
            names.append(r.name);
    }
    return names;
}

QStringList LayoutStore::objectNames(const QString& type) const {
    if (!isPlaceable(type) && type != rowtypes::Sounds)
        throw KoaError(errnum::Database, u"No object type "_s + type);
    return Database(m_path, Database::Mode::ReadOnly)
        .texts(u"SELECT name FROM "_s + quoteIdentifier(type) + u" ORDER BY rowid"_s);
}

QStringList LayoutStore::soundNames() const {
    return Database(m_path, Database::Mode::ReadOnly)
        .texts(u"SELECT name FROM sounds ORDER BY name, rowid"_s);
}

} // namespace koa::composer
