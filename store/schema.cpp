#include "schema.h"

#include "courseheader.h"
#include "database.h"
#include "errors.h"
#include "objectkinds.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace koa::schema {

namespace {
const QString Text = u"TEXT COLLATE NOCASE"_s;
const QString Number = u"INTEGER"_s;
const QString Real = u"REAL"_s;
const QString AutoNumber = u"INTEGER PRIMARY KEY AUTOINCREMENT"_s;

std::vector<Column> layoutColumns() {
    return {{u"type"_s, Text}, {u"name"_s, Text}, {u"index"_s, Number}};
}

std::vector<Column> visualColumns() {
    return {{u"id"_s, AutoNumber},  {u"name"_s, Text},    {u"filename"_s, Text},
            {u"size"_s, Real},      {u"width"_s, Number}, {u"height"_s, Number},
            {u"alignment"_s, Text}, {u"float"_s, Number}, {u"caption"_s, Text}};
}
} // namespace

const std::vector<Table>& courseTables() {
    static const std::vector<Table> tables = {
        {u"header"_s,
         {{u"title"_s, Text},
          {u"author"_s, Text},
          {u"target_group"_s, Text},
          {u"description"_s, Text},
          {u"skin"_s, Text},
          {u"sound"_s, Text},
          {u"picture"_s, Text},
          {u"menuscroll"_s, Number},
          {u"status"_s, Number},
          {u"version"_s, Text}}},
        {u"data"_s, layoutColumns()},
        {u"datatemp"_s, layoutColumns()},
        {u"pages"_s,
         {{u"ID"_s, AutoNumber}, {u"name"_s, Text}, {u"sound"_s, Text}, {u"tabtext"_s, Text}}},
        {u"pictures"_s, visualColumns()},
        {u"movies"_s, visualColumns()},
        {u"flash"_s, visualColumns()},
        {u"sounds"_s,
         {{u"id"_s, AutoNumber}, {u"name"_s, Text}, {u"filename"_s, Text}, {u"size"_s, Real}}},
        {u"dlinks"_s, {{u"id"_s, AutoNumber}, {u"name"_s, Text}, {u"filename"_s, Text}}},
        {u"texts"_s, {{u"id"_s, AutoNumber}, {u"name"_s, Text}, {u"text"_s, Text}}},
        {u"keywords"_s, {{u"id"_s, AutoNumber}, {u"name"_s, Text}, {u"desc"_s, Text}}},
        {u"quizes"_s, {{u"ID"_s, AutoNumber}, {u"name"_s, Text}, {u"text"_s, Text}}},
        {u"statements"_s, {{u"quizname"_s, Text}, {u"statement"_s, Text}, {u"status"_s, Text}}},
    };
    return tables;
}

const std::vector<Table>& settingsTables() {
    static const std::vector<Table> tables = {
        {u"user"_s, {{u"user"_s, Text}, {u"password"_s, Text}, {u"server"_s, Text}}},
        {u"skins"_s, {{u"name"_s, Text}}},
    };
    return tables;
}

const QStringList& mediaTables() {
    static const QStringList t = [] {
        QStringList tables;
        for (const KindInfo& k : objectKinds()) {
            if (!k.folder.isEmpty() && k.kind != ObjectKind::Document)
                tables.append(k.table);
        }
        return tables;
    }();
    return t;
}

const QStringList& courseFolders() {
    static const QStringList f = [] {
        QStringList folders;
        for (const KindInfo& k : objectKinds()) {
            if (!k.folder.isEmpty())
                folders.append(k.folder);
        }
        return folders;
    }();
    return f;
}

QString createTableSql(const Table& t) {
    QStringList cols;
    for (const Column& c : t.columns)
        cols.append(quoteIdentifier(c.name) + u" "_s + c.type);
    return u"CREATE TABLE "_s + quoteIdentifier(t.name) + u" ("_s + cols.join(u", "_s) + u")"_s;
}

void createBlankCourse(const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(u"."_s))
        throw KoaError(errnum::PathNotFound, u"Cannot create "_s + folder);
    for (const QString& sub : courseFolders()) {
        if (!dir.mkpath(sub))
            throw KoaError(errnum::PathNotFound, u"Cannot create "_s + dir.filePath(sub));
    }
    const QString path = dir.filePath(u"koa.kod"_s);
    QFile::remove(path);
    Database db(path, Database::Mode::Create);
    db.begin();
    for (const Table& t : courseTables())
        db.exec(createTableSql(t));
    CourseHeader(db).ensure();
    db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('modules', 'New Module', 0)"_s);
    db.exec(u"INSERT INTO data (type, name, \"index\") VALUES ('pages', '', 1)"_s);
    db.commit();
}

void createSettingsDatabase(const QString& path, const QStringList& skins) {
    QFile::remove(path);
    Database db(path, Database::Mode::Create);
    db.begin();
    for (const Table& t : settingsTables())
        db.exec(createTableSql(t));
    for (const QString& skin : skins)
        db.exec(u"INSERT INTO skins (name) VALUES (?)"_s, {skin});
    db.commit();
}

QStringList skinNames(const QString& settingsDatabase) {
    return Database(settingsDatabase, Database::Mode::ReadOnly)
        .texts(u"SELECT name FROM skins ORDER BY rowid"_s);
}

} // namespace koa::schema
