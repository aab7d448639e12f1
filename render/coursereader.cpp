#include "coursereader.h"

#include "escaping.h"
#include "store/courseheader.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/textescape.h"

#include <QSet>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

// The upper bound of a module's pages as a bound value: 1E+99 past the last module.
QVariant endValue(const ModuleBounds& bounds) {
    return bounds.hasEnd ? QVariant(bounds.end) : QVariant(1e99);
}

// The layout's row types that place an object, with the object's table and
// the fields read from it (none: the row is the object).
struct ObjectTable {
    QString type;
    PlacedObject::Kind kind;
    QString columns;
};

const QString VisualColumns = u"filename, width, height, alignment, \"float\", caption"_s;
const ObjectTable ObjectTables[] = {
    {u"linebreak"_s, PlacedObject::Kind::LineBreak, QString()},
    {u"horizontalline"_s, PlacedObject::Kind::Line, QString()},
    {u"texts"_s, PlacedObject::Kind::Text, u"text"_s},
    {u"quizes"_s, PlacedObject::Kind::Quiz, u"ID, text, name"_s},
    {u"pictures"_s, PlacedObject::Kind::Picture, VisualColumns},
    {u"movies"_s, PlacedObject::Kind::Movie, VisualColumns},
    {u"flash"_s, PlacedObject::Kind::Flash, VisualColumns},
};

const ObjectTable* objectTable(const QString& type) {
    for (const ObjectTable& table : ObjectTables) {
        if (table.type == type)
            return &table;
    }
    return nullptr;
}

std::vector<Statement> readStatements(Database& db, const QString& quizName) {
    QSqlQuery q =
        db.exec(u"SELECT status, statement FROM statements WHERE quizname = ? ORDER BY rowid"_s,
                {quizName});
    std::vector<Statement> statements;
    while (q.next())
        statements.push_back({fieldText(q.value(0)), fieldText(q.value(1))});
    return statements;
}

// Only a float of exactly 1 floats.
void readVisual(PlacedObject& object, const QSqlQuery& row) {
    object.file = fieldText(row.value(0));
    object.width = row.value(1);
    object.height = row.value(2);
    object.alignment = fieldText(row.value(3));
    object.floats = !row.value(4).isNull() && row.value(4).toLongLong() == 1;
    object.caption = fieldText(row.value(5));
}

// nullopt when the object is not in its table.
std::optional<PlacedObject> readObject(Database& db, const ObjectTable& table,
                                       const QString& name) {
    PlacedObject object;
    object.kind = table.kind;
    if (table.columns.isEmpty())
        return object;
    // The table's name comes from the list above, never from the course.
    QSqlQuery row = db.exec(
        u"SELECT "_s + table.columns + u" FROM "_s + table.type + u" WHERE name = ?"_s, {name});
    if (!row.next())
        return std::nullopt;
    if (table.kind == PlacedObject::Kind::Text) {
        object.text = fieldText(row.value(0));
    } else if (table.kind == PlacedObject::Kind::Quiz) {
        object.id = row.value(0);
        object.text = fieldText(row.value(1));
        object.statements = readStatements(db, fieldText(row.value(2)));
    } else {
        readVisual(object, row);
    }
    return object;
}

} // namespace

ModuleBounds CourseReader::moduleBounds(int moduleNumber) {
    // SQLite skips the rows before the module (as in placedObjects).
    QSqlQuery modules = m_db.exec(u"SELECT \"index\" FROM data WHERE type = 'modules' "
                                  "ORDER BY \"index\" LIMIT 2 OFFSET ?"_s,
                                  {qMax(moduleNumber, 0)});
    if (!modules.next() || moduleNumber < 0)
        throw KoaError(errnum::NoCurrentRecord,
                       u"No current record (module "_s + QString::number(moduleNumber) + u")"_s);
    ModuleBounds bounds;
    bounds.start = modules.value(0).toLongLong();
    if (modules.next()) {
        bounds.end = modules.value(0).toLongLong();
        bounds.hasEnd = true;
    }
    return bounds;
}

int CourseReader::moduleCount() {
    return m_db.scalar(u"SELECT count(*) FROM data WHERE type = 'modules'"_s).toInt();
}

int CourseReader::pageCount(const ModuleBounds& bounds) {
    return m_db
        .scalar(u"SELECT count(*) FROM data WHERE type = 'pages' AND \"index\" > ? AND "
                "\"index\" < ?"_s,
                {bounds.start, endValue(bounds)})
        .toInt();
}

std::optional<PageRow> CourseReader::page(const ModuleBounds& bounds, int pageNumber) {
    QSqlQuery pages = m_db.exec(u"SELECT \"index\", name FROM data WHERE type = 'pages' AND "
                                "\"index\" > ? ORDER BY \"index\" LIMIT 1 OFFSET ?"_s,
                                {bounds.start, qMax(pageNumber, 0)});
    if (!pages.next() || (bounds.hasEnd && pages.value(0).toLongLong() > bounds.end))
        return std::nullopt;
    PageRow row{pages.value(0).toLongLong(), std::nullopt};
    QSqlQuery settings =
        m_db.exec(u"SELECT sound FROM pages WHERE name = ? ORDER BY ID"_s, {pages.value(1)});
    if (settings.next()) {
        QSqlQuery sound =
            m_db.exec(u"SELECT filename FROM sounds WHERE name = ?"_s, {settings.value(0)});
        if (sound.next())
            row.soundFile = plainFileName(fieldText(sound.value(0)));
    }
    return row;
}

std::vector<Tab> CourseReader::tabs(const ModuleBounds& bounds, int maxPages) {
    QSqlQuery pages = m_db.exec(u"SELECT \"index\", name FROM data WHERE type = 'pages' "
                                "AND \"index\" > ? AND \"index\" < ? ORDER BY \"index\""_s,
                                {bounds.start, endValue(bounds)});
    std::vector<Tab> modulePages;
    QSet<QString> names;
    for (int i = 0; i < maxPages && pages.next(); ++i) {
        modulePages.push_back({QString(), pages.value(0).toLongLong(), fieldText(pages.value(1))});
        names.insert(modulePages.back().pageName);
    }
    const QHash<QString, QString> tabTexts = this->tabTexts(names);
    std::vector<Tab> tabs;
    for (Tab& page : modulePages) {
        page.text = tabTexts.value(page.pageName);
        if (!page.text.isEmpty())
            tabs.push_back(std::move(page));
    }
    return tabs;
}

QHash<QString, QString> CourseReader::tabTexts(const QSet<QString>& pageNames) {
    // Each page's settings are its name's first row. One pass over the
    // table instead of one search per page; read backwards, the first
    // row of a name comes last and wins.
    QHash<QString, QString> tabTexts;
    QSqlQuery settings = m_db.exec(u"SELECT name, tabtext FROM pages ORDER BY ID DESC"_s);
    while (settings.next()) {
        const QString name = fieldText(settings.value(0));
        if (pageNames.contains(name))
            tabTexts.insert(name, fieldText(settings.value(1)));
    }
    return tabTexts;
}

std::vector<PlacedObject> CourseReader::placedObjects(qint64 pageIndex) {
    // Rows are numbered by position, so the page's objects start one row
    // after the row numbered `pageIndex`. SQLite skips the rows before them
    // (stepping through them here made a page's time grow with its place).
    QSqlQuery layout = m_db.exec(
        u"SELECT type, name FROM data ORDER BY \"index\" LIMIT -1 OFFSET ?"_s, {pageIndex + 1});
    std::vector<PlacedObject> objects;
    while (layout.next()) {
        const QString type = fieldText(layout.value(0));
        if (type == u"modules"_s || type == u"pages"_s)
            break;
        const ObjectTable* table = objectTable(type);
        if (!table)
            continue;
        const QString name = fieldText(layout.value(1));
        std::optional<PlacedObject> object = readObject(m_db, *table, name);
        if (!object) {
            object = PlacedObject();
            object->lost = type + u" "_s + name;
        }
        objects.push_back(std::move(*object));
    }
    return objects;
}

QStringList CourseReader::moduleNames() {
    return m_db.texts(u"SELECT name FROM data WHERE type = 'modules' ORDER BY \"index\""_s);
}

std::optional<TitleFields> CourseReader::menuFields() {
    const std::optional<QVariantList> v = CourseHeader(m_db).values({u"title"_s, u"menuscroll"_s});
    if (!v)
        return std::nullopt;
    TitleFields fields;
    fields.title = fieldText(v->at(0));
    fields.menuscroll = v->at(1);
    return fields;
}

std::optional<TitleFields> CourseReader::titleFields() {
    const std::optional<QVariantList> v =
        CourseHeader(m_db).values({u"title"_s, u"author"_s, u"target_group"_s, u"description"_s});
    if (!v)
        return std::nullopt;
    TitleFields fields;
    fields.title = fieldText(v->at(0));
    fields.author = fieldText(v->at(1));
    fields.targetGroup = fieldText(v->at(2));
    fields.description = fieldText(v->at(3));
    return fields;
}

QString CourseReader::skin() {
    const std::optional<QVariantList> v = CourseHeader(m_db).values({u"skin"_s});
    return v ? fieldText(v->at(0)) : QString();
}

std::optional<CourseReader::Place> CourseReader::locatePage(const QString& pageName) {
    const QVariant page = m_db.scalar(u"SELECT \"index\" FROM data WHERE type = 'pages' AND "
                                      "name = ? ORDER BY \"index\""_s,
                                      {pageName});
    if (!page.isValid())
        return std::nullopt;
    QSqlQuery modules = m_db.exec(u"SELECT \"index\" FROM data WHERE type = 'modules' AND "
                                  "\"index\" < ? ORDER BY \"index\""_s,
                                  {page});
    int module = -1;
    QVariant moduleIndex;
    while (modules.next()) {
        ++module;
        moduleIndex = modules.value(0);
    }
    if (module < 0)
        throw KoaError(errnum::NoCurrentRecord, u"No current record (no module before the page)"_s);
    const int pages = m_db.scalar(u"SELECT count(*) FROM data WHERE type = 'pages' AND "
                                  "\"index\" > ? AND \"index\" <= ?"_s,
                                  {moduleIndex, page})
                          .toInt();
    return Place{module, pages - 1};
}

std::optional<QString> CourseReader::byLinkName(const QString& sql, const QString& name) {
    QString plain = name;
    if (QSqlQuery q = m_db.exec(sql, {name}); q.next())
        return fieldText(q.value(0));
    if (unParseCharacters(plain) == name)
        return std::nullopt;
    if (QSqlQuery q = m_db.exec(sql, {plain}); q.next())
        return fieldText(q.value(0));
    return std::nullopt;
}

std::optional<QString> CourseReader::keywordDescription(const QString& keyword) {
    return byLinkName(u"SELECT desc FROM keywords WHERE name = ?"_s, keyword);
}

QString CourseReader::documentFile(const QString& documentName) {
    const std::optional<QString> file =
        byLinkName(u"SELECT filename FROM dlinks WHERE name = ?"_s, documentName);
    return file ? plainFileName(*file) : QString();
}

std::vector<Keyword> CourseReader::keywords() {
    QSqlQuery q = m_db.exec(u"SELECT name, desc FROM keywords ORDER BY name ASC"_s);
    std::vector<Keyword> keywords;
    while (q.next())
        keywords.push_back({fieldText(q.value(0)), fieldText(q.value(1))});
    return keywords;
}

QStringList CourseReader::pageNames() {
    return m_db.texts(u"SELECT name FROM data WHERE type = 'pages' AND name <> '' "
                      "GROUP BY name ORDER BY min(\"index\")"_s);
}

int CourseReader::placedStatementCount() {
    return m_db
        .scalar(u"SELECT count(*) FROM statements WHERE quizname IN "
                "(SELECT name FROM data WHERE type = 'quizes')"_s)
        .toInt();
}

std::vector<CourseReader::NamedFile> CourseReader::namedMediaFiles() {
    // Placed objects, and the sounds the pages' settings (their first row) name.
    QSqlQuery named = m_db.exec(
        u"SELECT d.type, d.name FROM data d WHERE d.type IN ('pictures', 'movies', 'flash') "
        "UNION ALL SELECT 'sounds', (SELECT p.sound FROM pages p WHERE p.name = d.name ORDER BY "
        "p.rowid LIMIT 1) FROM data d WHERE d.type = 'pages' ORDER BY 1"_s);
    std::vector<NamedFile> files;
    QSet<QString> seen;
    while (named.next()) {
        const QString table = fieldText(named.value(0));
        const QString name = fieldText(named.value(1));
        const QString key = table + u'/' + name.toLower();
        if (name.isEmpty() || seen.contains(key))
            continue;
        seen.insert(key);
        // The first row of a name is the object the pages show.
        QSqlQuery row = m_db.exec(u"SELECT filename FROM "_s + table +
                                      u" WHERE name = ? ORDER BY rowid LIMIT 1"_s,
                                  {name});
        if (row.next()) // an object the course has lost names no file
            files.push_back({table, name, fieldText(row.value(0))});
    }
    return files;
}

std::vector<std::pair<QString, QString>> CourseReader::documents() {
    QSqlQuery q = m_db.exec(u"SELECT name, filename FROM dlinks ORDER BY rowid"_s);
    std::vector<std::pair<QString, QString>> documents;
    while (q.next())
        documents.emplace_back(fieldText(q.value(0)), plainFileName(fieldText(q.value(1))));
    return documents;
}

} // namespace koa::render
