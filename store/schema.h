#pragma once

#include <vector>

#include <QString>
#include <QStringList>

namespace koa::schema {

struct Column {
    QString name;
    QString type; // SQLite declaration: "TEXT COLLATE NOCASE", "INTEGER", ...
};

struct Table {
    QString name;
    std::vector<Column> columns;
};

// The course database, table by table, fields in their stored order. Older
// courses are converted by copying fields by position, so fields may only
// ever be added at the end of a table.
const std::vector<Table>& courseTables();
// The settings database of an installation: `user` and `skins`.
const std::vector<Table>& settingsTables();

// "pictures", "movies", "sounds", "flash": their files lie in a folder of that name.
const QStringList& mediaTables();
// Folders of a working folder: the four media folders and "documents".
const QStringList& courseFolders();

QString createTableSql(const Table& t);

// Writes a blank course into `folder`: koa.kod and the five empty media folders.
// Its layout already holds "New Module" (index 0) with one unnamed page (index 1).
void createBlankCourse(const QString& folder);
// Writes the settings database with an empty `user` and one `skins` row per skin.
void createSettingsDatabase(const QString& path, const QStringList& skins);
// The skins the settings database lists, in its order.
QStringList skinNames(const QString& settingsDatabase);

inline constexpr auto CurrentVersion = "1.1";

} // namespace koa::schema
