#pragma once

#include <QString>

namespace koa::render {

// What one preview or viewer window knows while it shows a course. Numbers
// count from 0; lastModuleIndex and lastPageIndex are the highest numbers,
// not counts.
struct RenderState {
    // The program folder without a trailing "/", as the file system names it.
    QString programPath;
    // programPath + "/" as an address path (see urlPath), safe inside script
    // strings and HTML attributes.
    QString programPathScript;
    // The same as a file URL: "file://" + programPathScript.
    QString programPathUrl;
    // The private folder that generated documents are written to.
    QString cacheFolder;

    QString skin;
    QString pageCss;
    QString styleAttr;
    // "menu", "header", or page view for anything else ("module").
    QString previewMode;

    int moduleNumber = 0;
    int pageNumber = 0;
    int lastModuleIndex = 0;
    int lastPageIndex = 0;

    // File name of the sound of the page being rendered; emitted once.
    QString pageSound;
    QString pageText;

    bool documentLoaded = false;
    // The frameset the last Initiate asked for.
    QString frameset;
    // The preview renders nothing for the next load it makes while hidden (no
    // sound behind a hidden window).
    bool skipNextRender = false;
};

} // namespace koa::render
