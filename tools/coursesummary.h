#pragma once

#include <optional>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

namespace koa::tool {

// What a course database holds at a glance: the header fields, the row count
// of every course table and the module/page layout. Read-only.
class CourseSummary {
public:
    struct Field {
        QString name;
        QVariant value; // invalid: the field is missing (older course)
    };
    struct TableRows {
        QString name;
        std::optional<qint64> rows; // nullopt: the table is missing
    };
    struct LayoutRow {
        QVariant index;
        QString type;
        QString name;
    };

    // Throws KoaError when the file is no readable database.
    static CourseSummary read(const QString& databasePath);

    bool hasHeader() const { return m_hasHeader; }
    const QList<TableRows>& tables() const { return m_tables; }
    const QList<LayoutRow>& layout() const { return m_layout; }

    QJsonObject toJson() const;
    QString headerText() const;
    QString tablesText() const;
    QString layoutText() const;

private:
    bool m_hasHeader = false;
    bool m_hasLayout = false;
    QList<Field> m_header;
    QList<TableRows> m_tables;
    QList<LayoutRow> m_layout;
};

} // namespace koa::tool
