#include "editorwindow.h"

#include "about.h"
#include "editorset.h"
#include "store/coursefiles.h"
#include "store/errors.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

EditorWindow::EditorWindow(EditorSet& editors, Identity identity, QWidget* parent)
    : QMainWindow(parent), m_editors(editors), m_identity(std::move(identity)) {
    setObjectName(m_identity.key);
    setWindowTitle(m_identity.titlePrefix);
    buildMenus();
    buildTabStrip();
    updateCommands();
}

QString EditorWindow::location(const QString& procedure) const {
    return koa::location(m_identity.location, procedure);
}

void EditorWindow::setDisplayName(const QString& displayName) {
    setWindowTitle(m_identity.titlePrefix + u" - "_s + displayName);
}

void EditorWindow::buildMenus() {
    auto add = [this](QMenu* menu, QAction*& action, const QString& name, const QString& text,
                      QKeySequence shortcut, void (EditorWindow::*slot)()) {
        action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
    };
    QMenu* file = menuBar()->addMenu(u"&File"_s);
    add(file, menuNew, u"menuNew"_s, u"&New"_s, QKeySequence::New, &EditorWindow::menuNew_Click);
    add(file, menuOpen, u"menuOpen"_s, u"&Open"_s, QKeySequence::Open,
        &EditorWindow::menuOpen_Click);
    add(file, menuSave, u"menuSave"_s, u"&Save"_s, QKeySequence::Save,
        &EditorWindow::menuSave_Click);
    add(file, menuSaveAs, u"menuSaveAs"_s, u"Save &as"_s,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &EditorWindow::menuSaveAs_Click);
    file->addSeparator();
    add(file, menuImport, u"menuImport"_s, u"&Import"_s, {}, &EditorWindow::menuImport_Click);
    add(file, menuExport, u"menuExport"_s, u"&Export"_s, {}, &EditorWindow::menuExport_Click);
    add(file, menuExportWeb, u"menuExportWeb"_s, u"Export for the &web..."_s, {},
        &EditorWindow::menuExportWeb_Click);
    add(file, menuMerge, u"menuMerge"_s, u"&Merge"_s, {}, &EditorWindow::menuMerge_Click);
    file->addSeparator();
    // Not QKeySequence::Quit: some desktops' key themes bind nothing to it.
    add(file, menuExit, u"menuExit"_s, u"E&xit"_s, QKeySequence(Qt::CTRL | Qt::Key_Q),
        &EditorWindow::menuExit_Click);
    QMenu* online = menuBar()->addMenu(u"&KOA online"_s);
    add(online, menuUpload, u"menuUpload"_s, u"&Upload"_s, {}, &EditorWindow::menuUpload_Click);
    add(online, menuSettings, u"menuSettings"_s, u"&Settings"_s, {},
        &EditorWindow::menuSettings_Click);
    QMenu* help = menuBar()->addMenu(u"&Help"_s);
    add(help, menuContents, u"menuContents"_s, u"&Contents / Info"_s, QKeySequence::HelpContents,
        &EditorWindow::menuContents_Click);
    add(help, menuAbout, u"menuAbout"_s, u"&About"_s, {}, &EditorWindow::menuAbout_Click);
}

void EditorWindow::buildTabStrip() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    TabStrip1 = new QTabBar(central);
    TabStrip1->setObjectName(u"TabStrip1"_s);
    TabStrip1->setDrawBase(false);
    TabStrip1->setExpanding(false);
    const std::pair<QString, QString> tabs[] = {{keys::Header, u"File Header"_s},
                                                {keys::ObjectPool, u"Object Pool"_s},
                                                {keys::Composer, u"Composer"_s},
                                                {keys::Preview, u"Preview"_s}};
    for (const auto& [tabKey, caption] : tabs) {
        const int index = TabStrip1->addTab(caption);
        TabStrip1->setTabData(index, tabKey);
    }
    selectOwnTab();
    connect(TabStrip1, &QTabBar::currentChanged, this,
            [this](int index) { TabStrip1_Click(TabStrip1->tabData(index).toString()); });
    // The tab strip from the keyboard, wherever the focus is.
    auto step = [this](int by) {
        TabStrip1->setCurrentIndex((TabStrip1->currentIndex() + by + TabStrip1->count()) %
                                   TabStrip1->count());
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this), &QShortcut::activated,
            this, [step] { step(1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this), &QShortcut::activated,
            this, [step] { step(-1); });

    m_content = new QWidget(central);
    m_content->setObjectName(u"content"_s);
    layout->addWidget(TabStrip1);
    layout->addWidget(m_content, 1);
    setCentralWidget(central);
}

void EditorWindow::selectOwnTab() {
    const QSignalBlocker blocker(TabStrip1);
    for (int i = 0; i < TabStrip1->count(); ++i) {
        if (TabStrip1->tabData(i).toString() == m_identity.key)
            TabStrip1->setCurrentIndex(i);
    }
}

void EditorWindow::TabStrip1_Click(const QString& key) {
    trap(location(u"TabStrip1_Click"_s), [&] { m_editors.switchWindow(*this, key); });
    // Whatever happened, this window shows its own tab when it is seen again.
    selectOwnTab();
}

void EditorWindow::updateCommands() {
    const EditorFactories& f = m_editors.factories();
    menuExport->setEnabled(bool(f.exportCourse));
    menuExportWeb->setEnabled(bool(f.exportWeb));
    menuMerge->setEnabled(bool(f.merge));
    menuUpload->setEnabled(bool(f.upload));
    menuSettings->setEnabled(bool(f.onlineSettings));
    menuContents->setEnabled(bool(f.help));
}

void EditorWindow::command(const QString& procedure, bool flushFirst,
                           const std::function<void()>& body) {
    trap(location(procedure), [&] {
        if (flushFirst)
            flush();
        body();
    });
}

void EditorWindow::menuNew_Click() {
    command(u"menuNew_Click"_s, true, [this] {
        if (m_editors.SaveCourse(false)) {
            m_editors.ExitCourse(false);
            m_editors.files().New_file(true);
        }
    });
}

void EditorWindow::menuOpen_Click() {
    command(u"menuOpen_Click"_s, true, [this] { m_editors.files().Open_file(QString(), true); });
}

void EditorWindow::menuSave_Click() {
    command(u"menuSave_Click"_s, true, [this] { m_editors.files().Save_course(false); });
    afterCourseCommand();
}

void EditorWindow::menuSaveAs_Click() {
    command(u"menuSaveAs_Click"_s, true, [this] { m_editors.SaveCourse(true); });
    afterCourseCommand();
}

void EditorWindow::menuImport_Click() {
    command(u"menuImport_Click"_s, true, [this] { m_editors.files().Import(); });
}

void EditorWindow::exportCommand(const QString& procedure,
                                 const std::function<void(EditorWindow&)>& open) {
    command(procedure, true, [&] {
        if (!open)
            return;
        // The export window runs its own wait; this window takes no input meanwhile.
        setEnabled(false);
        open(*this);
        setEnabled(true);
        raise();
        activateWindow();
    });
    afterCourseCommand();
}

void EditorWindow::menuExport_Click() {
    exportCommand(u"menuExport_Click"_s, m_editors.factories().exportCourse);
}

void EditorWindow::menuExportWeb_Click() {
    exportCommand(u"menuExportWeb_Click"_s, m_editors.factories().exportWeb);
}

void EditorWindow::menuMerge_Click() {
    command(u"menuMerge_Click"_s, false, [this] {
        if (m_editors.factories().merge)
            m_editors.factories().merge(*this);
    });
}

void EditorWindow::menuExit_Click() {
    command(u"menuExit_Click"_s, true, [this] {
        if (m_editors.SaveCourse(false))
            m_editors.ExitCourse(true);
    });
}

void EditorWindow::menuUpload_Click() {
    command(u"menuUpload_Click"_s, true, [this] { upload(); });
    afterCourseCommand();
}

void EditorWindow::upload() {
    if (m_editors.factories().upload)
        m_editors.factories().upload(*this);
}

void EditorWindow::menuSettings_Click() {
    command(u"menuSettings_Click"_s, false, [this] {
        if (m_editors.factories().onlineSettings)
            m_editors.factories().onlineSettings();
    });
}

void EditorWindow::menuContents_Click() {
    command(u"menuContents_Click"_s, false, [this] {
        if (m_editors.factories().help)
            m_editors.factories().help(*this, m_identity.helpTopic);
    });
}

void EditorWindow::menuAbout_Click() {
    command(u"menuAbout_Click"_s, false, [this] {
        auto* window = new about(this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->open();
    });
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    bool accept = false;
    bool held = false;
    trap(location(u"Form_QueryUnload"_s), [&] {
        flush();
        if (m_editors.closing) {
            accept = true;
            return;
        }
        // The window manager closes even a disabled window.
        if (!m_editors.mayLeaveAll()) {
            held = true;
            return;
        }
        if (m_editors.SaveCourse(false)) {
            m_editors.ExitCourse(true);
            accept = true;
        }
    });
    if (accept) {
        event->accept();
    } else {
        event->ignore();
        if (!held)
            closeCancelled();
    }
}

} // namespace koa::shell
