#pragma once

#include "coursecontent.h"

#include <optional>
#include <vector>

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace koa {
class Database;
}

namespace koa::render {

// Reads what the course screens show from the open course. Modules and pages
// are counted from 0 in the order of the layout (`data`); a page's settings
// are the first row of its name in `pages`. Failures of the database throw
// KoaError.
class CourseReader {
public:
    explicit CourseReader(Database& db) : m_db(db) {}

    // Throws when the course has no such module.
    ModuleBounds moduleBounds(int moduleNumber);
    int moduleCount();
    int pageCount(const ModuleBounds& bounds);
    // Page `pageNumber` of the module; nullopt past its last page.
    std::optional<PageRow> page(const ModuleBounds& bounds, int pageNumber);
    // The module's first `maxPages` pages that have a tab text.
    std::vector<Tab> tabs(const ModuleBounds& bounds, int maxPages);
    // The objects placed after the page's row up to the next page or module.
    std::vector<PlacedObject> placedObjects(qint64 pageIndex);

    QStringList moduleNames();
    // nullopt when the course has no header row.
    std::optional<TitleFields> menuFields();
    std::optional<TitleFields> titleFields();
    QString skin();

    struct Place {
        int moduleNumber = 0;
        int pageNumber = 0;
    };
    // The first page of that name in the course; throws when no module comes before it.
    std::optional<Place> locatePage(const QString& pageName);
    // Keyword and document names as links ask for them: escaped, as the text
    // editor stores them. A name the pool stored with its brackets plain is
    // found too; an escaped row of the same name comes first.
    std::optional<QString> keywordDescription(const QString& keyword);
    // Empty when there is no such document or its file name leads elsewhere.
    QString documentFile(const QString& documentName);
    // In the order of their names.
    std::vector<Keyword> keywords();
    // The names of the course's named pages, each once, in layout order.
    QStringList pageNames();
    // A media file the pages name: a placed picture, movie or Flash, or a page's sound.
    struct NamedFile {
        QString table;
        QString objectName;
        QString file; // as stored
    };
    // The statements of the quizzes placed in the course, each quiz once.
    int placedStatementCount();
    // Each object once.
    std::vector<NamedFile> namedMediaFiles();
    // Every document's name as stored and its file (empty when it leads elsewhere).
    std::vector<std::pair<QString, QString>> documents();

private:
    // The first field `sql` reads for `name`, else for its plain form.
    std::optional<QString> byLinkName(const QString& sql, const QString& name);
    // The tab texts of the named pages.
    QHash<QString, QString> tabTexts(const QSet<QString>& pageNames);

    Database& m_db;
};

} // namespace koa::render
