#pragma once

#include "modulelayout.h"

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace koa {
class Database;
}

namespace koa::composer {

// The course layout in the `data` and `pages` tables. Every change is one
// transaction that leaves `data` complete and numbered 0, 1, 2, ... in order,
// so a program that dies loses at most the edit it was making.
class LayoutStore {
public:
    explicit LayoutStore(QString databasePath);

    // Module names in course order.
    QStringList modules() const;
    // A course without a module gets "New Module" with an unnamed page in
    // front of everything; true when it was added.
    bool ensureModule();
    // The rows of the module (exact name) with its pages' sounds and tabs.
    QList<LayoutRow> readModule(const QString& module) const;

    struct PageRename {
        QString from;
        QString to;
    };
    // Stores `rows` as the content of the module, renumbers the course, keeps
    // a `pages` row for each named page of the module and drops the `pages`
    // rows whose page is gone. A page rename carries its `pages` row along.
    void writeModule(const QString& module, const QList<LayoutRow>& rows,
                     const std::optional<PageRename>& rename = std::nullopt);
    // A module with one unnamed page at the end of the course.
    void addModule(const QString& name);
    // The module and all its rows.
    void deleteModule(const QString& name);
    void renameModule(const QString& from, const QString& to);
    // The module and all its rows before the module `before`, or at the end
    // when `before` is empty.
    void moveModule(const QString& name, const QString& before);

    // Every page name of the course (named pages only).
    QStringList pageNames() const;
    // Objects of a placeable type or sounds, in table order.
    QStringList objectNames(const QString& type) const;
    // Sound names in name order, for the sound chooser.
    QStringList soundNames() const;

private:
    struct Row {
        QString type;
        QString name;
        QVariant index;
        bool operator==(const Row& o) const { return type == o.type && name == o.name; }
    };
    static QList<Row> readAll(Database& db);
    // The first module row of that exact name; throws when there is none.
    static int findModule(const QList<Row>& rows, const QString& name);
    // The row after the module's last row.
    static int moduleEnd(const QList<Row>& rows, int module);
    // Replaces `data` by `wanted` numbered from 0, unless it holds just that.
    static void rewrite(Database& db, const QList<Row>& stored, const QList<Row>& wanted);
    static void tidyPages(Database& db);

    QString m_path;
};

} // namespace koa::composer
