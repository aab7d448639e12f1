#pragma once

#include "renderhost.h"
#include "renderstate.h"

#include <vector>

#include <QString>

namespace koa {
class Database;
}

namespace koa::render {

class MenuWriter;
class PageWriter;
struct PlacedObject;

// Turns the open course into the documents of the course screen: pages,
// course menu, title page and glossary. Each document is built in memory,
// written whole to the cache folder and loaded into a frame of the skin's
// frameset through the host; the pages' commands come back as status texts
// through HandleInput. CourseReader reads the course, PageWriter and
// MenuWriter write the documents; the renderer joins them to the host.
//
// Every operation traps its own failures and reports them with the window's
// location ("preview / ShowPage()"); the caller goes on.
class Renderer {
public:
    struct Options {
        // Window name in error locations: "preview", "viewer".
        QString window = QStringLiteral("preview");
        // The viewer reads its course from a medium that may be read-only.
        bool readOnly = false;
        // Empty: the user's private cache folder.
        QString cacheFolder;
    };

    // Where LocatePosition found the current page.
    struct Position {
        enum class Kind { Page, EndOfModule, Failed } kind = Kind::Failed;
        qint64 index = 0; // of the page's row in `data`
    };

    // `programFolder` holds temp/koa.kod, includes/ and skins/.
    Renderer(RenderHost& host, const QString& programFolder);
    Renderer(RenderHost& host, const QString& programFolder, Options options);
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    RenderState& state() { return m_state; }
    const RenderState& state() const { return m_state; }

    // The three forms of the program folder's path and the cache folder.
    void SatPaths(const QString& programFolder);
    // Reads the course's skin and asks the host for the frameset of previewMode.
    void Initiate();
    // What a completed frameset shows: by previewMode, the menu, the title
    // page or the current page.
    void renderCurrent();
    // The frameset file that belongs to `previewMode`.
    static QString framesetFor(const QString& previewMode);

    void CountModulesPages(Database& db);
    // Also sets pageSound from the page's settings.
    Position LocatePosition(Database& db);
    // Renders (moduleNumber, pageNumber) into frame "engine"; past the
    // module's last page it loads the course menu instead. A negative page
    // number is the module's first page.
    void ShowPage();

    void ShowMenu();
    void ShowHeader();
    // `position`: the index of the current page's row.
    void WriteIndexTabs(Database& db, qint64 position);
    void WriteInfo();

    // Acts on a status text of the pages; texts that are no command are ignored.
    void HandleInput(const QString& statusText);
    bool LocatePage(const QString& pageName);
    QString GetDescription(const QString& keyword);
    QString GetFile(const QString& documentName);
    void glossary();

    QString databasePath() const;
    QString documentFile() const; // htmlcache.htm
    QString glossaryFile() const;

private:
    QString location(const char* procedure) const;
    Database open() const;
    // The commands that move through the course; false for any other text.
    bool moveTo(const QString& command, const QString& argument);
    // The commands that answer in the page or the window; other texts are ignored.
    void answer(const QString& command, const QString& argument);
    // The text of a template; empty, and reported, when it cannot be read.
    QString templateText(const QString& relativePath) const;
    PageWriter pageWriter() const;
    MenuWriter menuWriter() const;
    void writePage(Database& db, qint64 position);
    // Appends the objects to pageText and returns those shown; lost ones are reported.
    std::vector<PlacedObject> writeObjects(const PageWriter& writer,
                                           std::vector<PlacedObject> objects);
    // Writes pageText to the document file and shows it in `frame`.
    void showDocument(const QString& frame);
    void writeCacheFile(const QString& path, const QString& text) const;
    void readSkin(Database& db);

    RenderHost& m_host;
    Options m_options;
    RenderState m_state;
};

} // namespace koa::render
