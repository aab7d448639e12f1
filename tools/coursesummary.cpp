#include "coursesummary.h"

#include "store/courseheader.h"
#include "store/database.h"
#include "store/schema.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace koa::tool {

namespace {
const QStringList headerFields = {u"title"_s, u"author"_s,     u"target_group"_s, u"description"_s,
                                  u"skin"_s,  u"menuscroll"_s, u"status"_s,       u"version"_s};

// SQLite types each value on its own: numbers stay numbers, everything else is text.
QJsonValue jsonOf(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QJsonValue::Null;
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::Double:
        return v.toDouble();
    default:
        return v.toString();
    }
}

// One line per value: stored texts may hold line breaks.
QString lineOf(const QVariant& v) {
    if (!v.isValid())
        return u"(missing)"_s;
    QString text = v.isNull() ? QString() : v.toString();
    text.replace(u"\r"_s, u"\\r"_s);
    text.replace(u"\n"_s, u"\\n"_s);
    return text;
}

// A line without the padding of an empty last column.
QString rowText(const QString& line) {
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == u' ')
        --end;
    return line.left(end) + u"\n"_s;
}
} // namespace

CourseSummary CourseSummary::read(const QString& databasePath) {
    CourseSummary s;
    Database db(databasePath, Database::Mode::ReadOnly);

    if (db.hasTable(u"header"_s)) {
        const std::optional<QSqlRecord> header = CourseHeader(db).record();
        s.m_hasHeader = header.has_value();
        for (const QString& name : headerFields) {
            const int at = header ? header->indexOf(name) : -1;
            s.m_header.append({name, at >= 0 ? header->value(at) : QVariant()});
        }
    }

    for (const schema::Table& t : schema::courseTables()) {
        std::optional<qint64> rows;
        if (db.hasTable(t.name))
            rows = db.rowCount(t.name);
        s.m_tables.append({t.name, rows});
    }

    if (db.hasTable(u"data"_s)) {
        s.m_hasLayout = true;
        const bool indexed = db.columns(u"data"_s).contains(u"index"_s, Qt::CaseInsensitive);
        QSqlQuery q = db.exec(u"SELECT * FROM data ORDER BY "_s +
                              (indexed ? u"\"index\", rowid"_s : u"rowid"_s));
        const QSqlRecord r = q.record();
        const int index = r.indexOf(u"index"_s);
        const int type = r.indexOf(u"type"_s);
        const int name = r.indexOf(u"name"_s);
        while (q.next()) {
            s.m_layout.append({index >= 0 ? q.value(index) : QVariant(),
                               type >= 0 ? q.value(type).toString() : QString(),
                               name >= 0 ? q.value(name).toString() : QString()});
        }
    }
    return s;
}

QJsonObject CourseSummary::toJson() const {
    QJsonObject out;
    if (m_hasHeader) {
        QJsonObject header;
        for (const Field& f : m_header)
            header.insert(f.name, jsonOf(f.value));
        out.insert(u"header"_s, header);
    } else {
        out.insert(u"header"_s, QJsonValue::Null);
    }
    // An array keeps the tables in the course's own order.
    QJsonArray tables;
    for (const TableRows& t : m_tables) {
        tables.append(QJsonObject{{u"name"_s, t.name},
                                  {u"rows"_s, t.rows ? QJsonValue(*t.rows) : QJsonValue::Null}});
    }
    out.insert(u"tables"_s, tables);
    if (m_hasLayout) {
        QJsonArray layout;
        for (const LayoutRow& r : m_layout) {
            layout.append(QJsonObject{
                {u"index"_s, jsonOf(r.index)}, {u"type"_s, r.type}, {u"name"_s, r.name}});
        }
        out.insert(u"data"_s, layout);
    } else {
        out.insert(u"data"_s, QJsonValue::Null);
    }
    return out;
}

QString CourseSummary::headerText() const {
    if (!m_hasHeader)
        return u"header        (missing)\n"_s;
    QString out;
    for (const Field& f : m_header)
        out += rowText(f.name.leftJustified(14) + lineOf(f.value));
    return out;
}

QString CourseSummary::tablesText() const {
    QString out = u"tables\n"_s;
    for (const TableRows& t : m_tables)
        out += rowText(u"  "_s + t.name.leftJustified(12) +
                       (t.rows ? QString::number(*t.rows) : u"(missing)"_s));
    return out;
}

QString CourseSummary::layoutText() const {
    QString out = u"data\n"_s;
    if (!m_hasLayout)
        return out + u"  (missing)\n"_s;
    for (const LayoutRow& r : m_layout)
        out += rowText(u"  "_s + lineOf(r.index).rightJustified(4) + u"  "_s +
                       r.type.leftJustified(9) + lineOf(r.name));
    return out;
}

} // namespace koa::tool
