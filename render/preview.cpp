#include "preview.h"

#include "store/coursefiles.h"
#include "store/errors.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

preview::preview(shell::EditorSet& editors)
    : PreviewWindow(editors, {shell::keys::Preview, u"preview"_s, u"KOA Preview"_s, u"Preview"_s}),
      WebBrowser1(new Browser), m_host(*WebBrowser1),
      m_renderer(m_host, editors.files().folder().root()) {
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser1); // the window owns it from here
    m_host.setRenderer(&m_renderer);
    connect(WebBrowser1, &Browser::documentComplete, this, &preview::documentComplete);
    connect(WebBrowser1, &Browser::externalLinkRequested, this, &preview::openOutside);
    trap(location(u"Form_Load"_s), [&] {
        // The frameset that loads while the preview is hidden plays nothing.
        m_renderer.state().skipNextRender = true;
        Initiate();
    });
}

preview::~preview() {
    m_host.setRenderer(nullptr);
}

void preview::Initiate() {
    trap(location(u"Initiate"_s), [&] {
        selectOwnTab();
        m_renderer.Initiate();
    });
}

void preview::documentComplete(bool ok) {
    trap(location(u"webBrowser1_DocumentComplete"_s), [&] {
        m_renderer.state().documentLoaded = true;
        if (ok && !shuttingDown)
            m_renderer.renderCurrent();
    });
}

void preview::ShowPreview() {
    trap(location(u"ShowPreview"_s), [&] {
        RenderState& state = m_renderer.state();
        const QDeadlineTimer limit(20000);
        while (!state.documentLoaded && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
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

void preview::arrive(const QString& fromKey) {
    callingWindow = fromKey;
    ShowPreview();
}

void preview::leave() {
    // No page sound or movie plays on behind another window.
    m_host.navigateFrame(u"display"_s, editors().files().folder().dummyPage());
}

void preview::openOutside(const QUrl& url) {
    // Web addresses, documents and the glossary open outside the course.
    QDesktopServices::openUrl(url);
}

} // namespace koa::render
