#pragma once

#include "editorwindow.h"

#include <functional>

#include <QMap>
#include <QPointer>
#include <QString>

namespace koa {
class CourseFiles;
class CourseHost;
} // namespace koa

namespace koa::shell {

// The file header window as the rest of the program needs it.
class HeaderWindow : public EditorWindow {
    Q_OBJECT
public:
    using EditorWindow::EditorWindow;
    // The course-loading routine: fills the window from the working course,
    // loads the other editor windows hidden and shows itself.
    virtual void Timer1_Timer() = 0;
    // The course is read-only ("File is read only" is shown).
    virtual bool readOnly() const = 0;
};

// The preview window as the other windows drive it.
class PreviewWindow : public EditorWindow {
    Q_OBJECT
public:
    using EditorWindow::EditorWindow;
    // "menu", "header" or page view ("module").
    virtual void setPreviewMode(const QString& mode) = 0;
    // The next page render is skipped once (no sound behind a hidden window).
    virtual void setSkipNextRender() = 0;
    // Loads the frameset of the course's skin for the preview mode.
    virtual void Initiate() = 0;
    // The course is closing: completed loads render nothing any more and the
    // browser lets go of the working folder (waits a few seconds at most).
    virtual void shutDown() = 0;
};

// Makes the windows of the program. The windows live in libraries above the
// shell, so the program (or a test) hands their makers in.
struct EditorFactories {
    std::function<HeaderWindow*(EditorSet&)> header;
    std::function<EditorWindow*(EditorSet&)> objectpool;
    std::function<EditorWindow*(EditorSet&)> composer;
    std::function<EditorWindow*(EditorSet&)> preview;
    // Windows of later commands; a command without its window is disabled.
    std::function<void(EditorWindow&)> exportCourse;
    std::function<void(EditorWindow&)> exportWeb;
    std::function<void(EditorWindow&)> merge;
    std::function<void(EditorWindow&)> upload;
    std::function<void()> onlineSettings;
    std::function<void(EditorWindow&, const QString& topic)> help;
};

// The program-wide values of the editor windows and the commands they
// share: the current window, the closing flag, the save question, closing
// the editor windows and switching between them.
class EditorSet {
public:
    EditorSet(CourseFiles& files, CourseHost& host, EditorFactories factories);
    ~EditorSet();
    EditorSet(const EditorSet&) = delete;
    EditorSet& operator=(const EditorSet&) = delete;

    CourseFiles& files() const { return m_files; }
    // The "Please wait" window over the file header window.
    void startWait();
    void endWait();
    // Makes the copies browsers play of older movies and sounds that the
    // open course lacks (only the named object's when given), with
    // progress; false when the author cancelled.
    bool makePlayableCopies(const QString& table = {}, const QString& name = {});
    const EditorFactories& factories() const { return m_factories; }

    // The editor window keyed `key`, loaded (hidden) when it is not.
    EditorWindow* window(const QString& key);
    HeaderWindow* headerWindow();
    // The window keyed `key` if it is loaded.
    EditorWindow* loaded(const QString& key) const;

    QString currentWindow;
    bool closing = false;
    // The composer's position, which the preview starts at: the open module
    // (1-based) and the page holding the selected row (1-based, 0 for none).
    int composerModuleNumber = 1;
    int composerPage = 1;
    // What ends the program once the windows are closed (the anchor's orderly end follows).
    std::function<void()> endProgram;

    // May the open course be given up? `force`: save without asking.
    bool SaveCourse(bool force);
    // Whether every loaded window may be left (see EditorWindow::mayLeave).
    bool mayLeaveAll() const;
    // Closes the object pool, composer and preview; with `endProgram` the
    // file header window too, and the program ends.
    void ExitCourse(bool endProgram);
    // Loads the object pool, composer and preview hidden and titles them.
    void loadEditors(const QString& displayName);
    // Closes the object pool, composer and preview (the closing flag set by the caller).
    void closeCourseWindows();
    // Closes the object pool, composer and preview still open over the course
    // that was there before: a course that is loaded shows in fresh windows.
    void closeStaleWindows();
    // Retitles every loaded editor window.
    void setDisplayName(const QString& displayName);
    // The tab strip's click in window `from`.
    void switchWindow(EditorWindow& from, const QString& key);
    // Gives `to` the position and size of `from`.
    static void copyGeometry(const QWidget& from, QWidget& to);

private:
    EditorWindow* make(const QString& key);
    void closeWindow(const QString& key);

    CourseFiles& m_files;
    CourseHost& m_host;
    EditorFactories m_factories;
    QMap<QString, QPointer<EditorWindow>> m_windows;
};

} // namespace koa::shell
