#include "preview.h"

#include "closepreview.h"
#include "outsidelinks.h"
#include "shell/about.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/wait.h"

#include <utility>

#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

// The full-screen browser of small screens: closing it or pressing Escape
// returns to the editor instead of leaving the learner's view half-closed.
class FullScreenBrowser : public Browser {
public:
    explicit FullScreenBrowser(std::function<void()> back) : m_back(std::move(back)) {
        setObjectName(u"fullScreenBrowser"_s);
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, this, [this] { m_back(); });
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        m_back();
    }

private:
    std::function<void()> m_back;
};

int screenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

} // namespace

preview::preview(shell::EditorSet& editors)
    : PreviewWindow(editors, {shell::keys::Preview, u"preview"_s, u"KOA Preview"_s, u"Preview"_s}),
      m_browser(makeBrowsers()), m_host(*m_browser),
      m_renderer(m_host, editors.files().folder().root()) {
    m_host.setRenderer(&m_renderer);
    m_host.setAbout([this] { showAbout(); });
    m_links = new OutsideLinks(m_browser, m_renderer.glossaryFile(),
                               {editors.files().folder().workingFolder() + u"/documents"_s});
    connect(m_browser, &Browser::documentComplete, this, &preview::documentComplete);
    connect(m_browser, &Browser::externalLinkRequested, m_links, &OutsideLinks::open);
    trap(location(u"Form_Load"_s), [&] {
        // The frameset that loads while the preview is hidden plays nothing.
        m_renderer.state().skipNextRender = true;
        Initiate();
    });
}

Browser* preview::makeBrowsers() {
    WebBrowser1 = new Browser;
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser1); // the window owns it from here
    m_fullScreen = fullScreenFor(screenWidth());
    if (!m_fullScreen)
        return WebBrowser1;
    WebBrowser1->hide();
    // A window of its own, deleted with the preview.
    return new FullScreenBrowser(
        [this] { trap(u"closePreview / close_properly()"_s, [this] { close_properly(); }); });
}

preview::~preview() {
    m_host.setRenderer(nullptr);
    if (m_closeWindow)
        delete m_closeWindow.data();
    if (m_fullScreen)
        delete m_browser;
}

void preview::Initiate() {
    trap(location(u"Initiate"_s), [&] {
        selectOwnTab();
        m_renderer.Initiate();
    });
}

void preview::documentComplete(bool ok) {
    const QString procedure =
        m_fullScreen ? u"IE_DocumentComplete"_s : u"webBrowser1_DocumentComplete"_s;
    trap(location(procedure), [&] {
        RenderState& state = m_renderer.state();
        state.documentLoaded = true;
        if (!ok || shuttingDown)
            return;
        if (std::exchange(state.skipNextRender, false))
            return; // loaded while hidden: whatever view it is, it plays nothing
        if (Renderer::framesetFor(state.previewMode) != state.frameset) {
            // Another view was asked for while this frameset loaded (the title
            // page right after opening a course): ShowPreview loads its frameset.
            return;
        }
        m_renderer.renderCurrent();
    });
}

void preview::ShowPreview() {
    trap(location(u"ShowPreview"_s), [&] {
        // Shown before the wait: if the frameset never completes, the author
        // still has the way back.
        if (m_fullScreen)
            presentFullScreen();
        RenderState& state = m_renderer.state();
        // Shown, the preview renders every load: only a load made while it was
        // hidden (a new course, another skin) may render nothing.
        state.skipNextRender = false;
        if (!waitForFrameset())
            return; // the preview was closed meanwhile
        if (!state.documentLoaded) {
            // Loaded anew: it renders when it completes.
            Initiate();
            return;
        }
        state.pageNumber = editors().composerPage - 1;
        state.moduleNumber = editors().composerModuleNumber - 1;
        if (state.previewMode == u"menu"_s) {
            state.previewMode = u"module"_s;
            Initiate();
        } else if (state.previewMode == u"header"_s) {
            Initiate();
        } else {
            m_renderer.ShowPage();
        }
    });
}

bool preview::waitForFrameset() {
    // The author's clicks and keys wait too: a command that closed the course
    // now would delete the windows this call runs in.
    return waitUntil([this] { return m_renderer.state().documentLoaded; },
                     {.deadline = QDeadlineTimer(20000), .guard = this}) != WaitEnd::GuardGone;
}

void preview::presentFullScreen() {
    m_browser->setWindowTitle(windowTitle());
    // Covers the screen also where no window manager makes it full screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_browser->setGeometry(screen->geometry());
    m_browser->showFullScreen();
    m_browser->raise();
    m_browser->activateWindow();
    if (!m_closeWindow) {
        m_closeWindow = new closePreview([this] { close_properly(); });
        m_closeWindow->show();
    }
    m_closeWindow->raise();
}

void preview::close_properly() {
    const QString key = callingWindow.isEmpty() ? shell::keys::Header : callingWindow;
    shell::EditorWindow* to = editors().window(key);
    hideFullScreen();
    leave();
    if (!to)
        return;
    editors().currentWindow = key;
    to->arrive(shell::keys::Preview);
    to->show();
    to->raise();
    to->activateWindow();
}

void preview::hideFullScreen() {
    if (m_closeWindow)
        std::exchange(m_closeWindow, nullptr)->close(); // it deletes itself
    if (m_fullScreen)
        m_browser->hide();
}

void preview::arrive(const QString& fromKey) {
    callingWindow = fromKey;
    ShowPreview();
}

void preview::leave() {
    if (shuttingDown)
        return; // the browser shows the empty page already
    m_links->closeWindows();
    // No page sound or movie plays on behind another window.
    m_host.navigateFrame(u"display"_s, editors().files().folder().dummyPage());
}

void preview::shutDown() {
    shuttingDown = true;
    m_links->closeWindows();
    hideFullScreen();
    // Nothing of the working folder stays open in the browser.
    m_browser->navigate(editors().files().folder().dummyPage());
    Browser* browser = m_browser;
    waitUntil([browser] { return browser->readyState() >= Browser::Interactive; },
              {.deadline = QDeadlineTimer(5000), .guard = browser});
}

void preview::showAbout() {
    auto* window = new shell::about(m_browser->window());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

} // namespace koa::render
