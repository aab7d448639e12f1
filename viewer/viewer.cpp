#include "viewer.h"

#include "render/outsidelinks.h"
#include "store/cachefolder.h"

#include <utility>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcViewer, "koa.viewer")

using namespace Qt::Literals::StringLiterals;

namespace koa::viewer {

namespace {

render::Browser* makeBrowser(QWidget* window) {
    auto* browser = new render::Browser(window);
    browser->setObjectName(u"WebBrowser1"_s);
    return browser;
}

render::Renderer::Options viewerOptions() {
    render::Renderer::Options options;
    options.window = u"viewer"_s;
    // The medium may be read-only: nothing is written beside the course.
    options.readOnly = true;
    // Its own folder, so a preview running meanwhile keeps its pages.
    options.cacheFolder = cacheFolder(u"viewer"_s);
    return options;
}

// 150 twips: the window reaches a little past every edge of the screen.
constexpr int Overlap = 10;

} // namespace

viewer::viewer(const QString& programPath, std::function<void(int)> quit)
    : m_programPath(programPath), m_quit(std::move(quit)),
      m_host(*(WebBrowser1 = makeBrowser(this))), m_renderer(m_host, programPath, viewerOptions()) {
    setObjectName(u"viewer"_s);
    setWindowTitle(u"KOA"_s);
    setWindowFlag(Qt::FramelessWindowHint);
    if (!m_quit)
        m_quit = [](int status) {
            QCoreApplication::exit(status);
        };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser1);

    m_host.setRenderer(&m_renderer);
    m_host.setAbout([this] { showAbout(); });
    m_host.setExit([this] { requestExit(); });
    auto* links = new render::OutsideLinks(this, m_renderer.glossaryFile(),
                                           {programPath + u"/temp/documents"_s});
    connect(WebBrowser1, &render::Browser::documentComplete, this, &viewer::documentComplete);
    connect(WebBrowser1, &render::Browser::externalLinkRequested, links,
            &render::OutsideLinks::open);
}

viewer::~viewer() {
    m_host.setRenderer(nullptr);
    delete m_about.data();
}

void viewer::Form_Load() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setGeometry(area.adjusted(-Overlap / 2, -Overlap / 2, Overlap / 2, Overlap / 2));
    show();
    m_renderer.state().previewMode = u"header"_s;
    m_renderer.Initiate();
}

void viewer::documentComplete(bool ok) {
    if (m_exitRequested) {
        if (m_about)
            m_about->close();
        close();
        m_quit(0);
        return;
    }
    render::RenderState& state = m_renderer.state();
    state.documentLoaded = true;
    if (!ok) {
        qCWarning(lcViewer).noquote() << "the frameset" << state.frameset << "did not load";
        return;
    }
    // A command that asked for another view while this frameset loaded has
    // its own frameset coming: that one renders.
    if (render::Renderer::framesetFor(state.previewMode) != state.frameset)
        return;
    m_renderer.renderCurrent();
    qCDebug(lcViewer).noquote() << "shown:" << state.previewMode;
}

void viewer::requestExit() {
    m_exitRequested = true;
    WebBrowser1->navigate(m_programPath + u"/data/dummy.htm"_s);
}

void viewer::showAbout() {
    if (!m_about) {
        m_about = new viewerAbout(this);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace koa::viewer
