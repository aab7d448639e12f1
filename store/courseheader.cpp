#include "courseheader.h"

#include "database.h"
#include "schema.h"

using namespace Qt::Literals::StringLiterals;

namespace koa {

namespace {
const QString FirstRow = u"rowid = (SELECT min(rowid) FROM header)"_s;

} // namespace

std::optional<HeaderFields> CourseHeader::read() {
    const std::optional<QVariantList> v =
        values({u"title"_s, u"author"_s, u"target_group"_s, u"skin"_s, u"description"_s,
                u"menuscroll"_s, u"status"_s});
    if (!v)
        return std::nullopt;
    return HeaderFields{fieldText(v->at(0)),
                        fieldText(v->at(1)),
                        fieldText(v->at(2)),
                        fieldText(v->at(3)),
                        v->at(4),
                        v->at(5).toInt() != 0,
                        v->at(6).toInt() != 0};
}

std::optional<QVariantList> CourseHeader::values(const QStringList& fields) {
    QStringList names;
    for (const QString& f : fields)
        names.append(quoteIdentifier(f));
    QSqlQuery q =
        m_db.exec(u"SELECT "_s + names.join(u", "_s) + u" FROM header ORDER BY rowid LIMIT 1"_s);
    if (!q.next())
        return std::nullopt;
    QVariantList out;
    for (int i = 0; i < fields.size(); ++i)
        out.append(q.value(i));
    return out;
}

std::optional<QSqlRecord> CourseHeader::record() {
    QSqlQuery q = m_db.exec(u"SELECT * FROM header ORDER BY rowid LIMIT 1"_s);
    if (!q.next())
        return std::nullopt;
    return q.record();
}

void CourseHeader::write(const HeaderFields& fields) {
    const QString sql = u"UPDATE header SET title = ?, author = ?, target_group = ?, "
                        "description = ?, skin = ?, menuscroll = ? WHERE "_s +
                        FirstRow;
    const QVariantList values = {fields.title,       fields.author, fields.targetGroup,
                                 fields.description, fields.skin,   fields.menuscroll ? 1 : 0};
    if (m_db.exec(sql, values).numRowsAffected() > 0)
        return;
    ensure();
    m_db.exec(sql, values);
}

void CourseHeader::setSkin(const QString& skin) {
    m_db.exec(u"UPDATE header SET skin = ? WHERE "_s + FirstRow, {skin});
}

void CourseHeader::markReadOnly() {
    if (m_db.exec(u"UPDATE header SET status = 1 WHERE "_s + FirstRow).numRowsAffected() > 0)
        return;
    m_db.exec(u"INSERT INTO header (skin, status) VALUES ('', 1)"_s);
}

void CourseHeader::ensure() {
    if (m_db.rowCount(u"header"_s) > 0)
        return;
    m_db.exec(u"INSERT INTO header (title, author, target_group, description, skin, sound, "
              "picture, menuscroll, status, version) "
              "VALUES ('', '', '', '', 'Classic', '', '', 0, 0, ?)"_s,
              {QString::fromLatin1(schema::CurrentVersion)});
}

void CourseHeader::setVersion(const QString& version) {
    m_db.exec(u"UPDATE header SET version = ?"_s, {version});
}

void CourseHeader::assign(const QStringList& fields, const QVariantList& values) {
    QStringList sets;
    for (const QString& f : fields)
        sets.append(quoteIdentifier(f) + u" = ?"_s);
    m_db.exec(u"UPDATE header SET "_s + sets.join(u", "_s), values);
}

} // namespace koa
