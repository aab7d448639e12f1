#pragma once

#include <functional>

#include <QMainWindow>
#include <QString>

class QAction;
class QTabBar;

namespace koa::shell {

class EditorSet;

// Keys of the four editor windows; they key the tab strips too.
namespace keys {
inline const QString Header = QStringLiteral("header");
inline const QString ObjectPool = QStringLiteral("objectpool");
inline const QString Composer = QStringLiteral("composer");
inline const QString Preview = QStringLiteral("preview");
} // namespace keys

// What the four editor windows share: the tab strip that switches between
// them, the menu bar with the shared commands and the close button's rules.
// A window adds its own content below the tab strip.
class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Identity {
        QString key;         // "header", "objectpool", ...
        QString location;    // window name in error locations ("Header", "Objectpool", ...)
        QString titlePrefix; // "KOA File Header", ...
        QString helpTopic;   // "File Header", ...
    };

    EditorWindow(EditorSet& editors, Identity identity, QWidget* parent = nullptr);

    QString key() const { return m_identity.key; }
    QString location(const QString& procedure) const;
    EditorSet& editors() const { return m_editors; }

    // The window title: prefix + " - " + the course's display name.
    void setDisplayName(const QString& displayName);

    // Stores pending edits into the course database before the window is
    // left, the course saved or given up.
    virtual void flush() {}
    // Called when the window is switched to, before it shows; `fromKey` is
    // the window being left.
    virtual void arrive(const QString& fromKey) { Q_UNUSED(fromKey) }
    // Called when the window is switched away from or closed.
    virtual void leave() {}
    // Whether switching to this window shows it in the place of the last
    // one (the preview on a small screen shows the course full screen).
    virtual bool showsInPlace() const { return true; }
    // False while the author's work holds the window: an editor it opened is
    // still open, or an entry was refused. The window then shows what is to
    // be finished, and it is neither left nor closed.
    virtual bool mayLeave() { return true; }
    // The close was refused by the save question.
    virtual void closeCancelled() {}
    // Save, Save as, Export or Upload has run on the flushed course; the
    // window takes up its work again.
    virtual void afterCourseCommand() {}

    // Selects the window's own tab without switching.
    void selectOwnTab();
    // The tab strip's click: switches to the window keyed `key`.
    void TabStrip1_Click(const QString& key);

    QTabBar* TabStrip1 = nullptr;
    QAction* menuNew = nullptr;
    QAction* menuOpen = nullptr;
    QAction* menuSave = nullptr;
    QAction* menuSaveAs = nullptr;
    QAction* menuImport = nullptr;
    QAction* menuExport = nullptr;
    QAction* menuExportWeb = nullptr;
    QAction* menuMerge = nullptr;
    QAction* menuExit = nullptr;
    QAction* menuUpload = nullptr;
    QAction* menuSettings = nullptr;
    QAction* menuContents = nullptr;
    QAction* menuAbout = nullptr;

    void menuNew_Click();
    void menuOpen_Click();
    void menuSave_Click();
    void menuSaveAs_Click();
    void menuImport_Click();
    void menuExport_Click();
    void menuExportWeb_Click();
    void menuMerge_Click();
    void menuExit_Click();
    void menuUpload_Click();
    void menuSettings_Click();
    void menuContents_Click();
    void menuAbout_Click();

    // Enables the commands whose windows are present.
    void updateCommands();

protected:
    // The area below the tab strip that the window fills.
    QWidget* contentArea() const { return m_content; }
    void closeEvent(QCloseEvent* event) override;
    // The Upload command of this window; the file header window refuses read-only courses.
    virtual void upload();

private:
    void buildMenus();
    void buildTabStrip();
    void command(const QString& procedure, bool flushFirst, const std::function<void()>& body);
    // An export command: its window, modal, while this one waits disabled.
    void exportCommand(const QString& procedure, const std::function<void(EditorWindow&)>& open);

    EditorSet& m_editors;
    Identity m_identity;
    QWidget* m_content = nullptr;
};

} // namespace koa::shell
