#pragma once

#include "render/browser.h"
#include "render/browserhost.h"
#include "render/renderer.h"
#include "viewerabout.h"

#include <functional>

#include <QPointer>
#include <QWidget>

namespace koa::viewer {

// The learner's window: one browser a little larger than the screen that
// plays the exported course in `programPath` from its title page on. The
// course database is only read and generated pages go to the private cache
// folder, so the exported folder may lie on a read-only medium.
class viewer : public QWidget {
    Q_OBJECT
public:
    // `quit` ends the program with its status; the default leaves the event loop.
    explicit viewer(const QString& programPath, std::function<void(int)> quit = {});
    ~viewer() override;

    // Sizes the window over the screen and shows the title page.
    void Form_Load();

    render::Renderer& renderer() { return m_renderer; }
    viewerAbout* aboutWindow() const { return m_about; }
    bool exitRequested() const { return m_exitRequested; }

    // Made first: the renderer's host and the renderer are built on it.
    render::Browser* WebBrowser1 = nullptr;

private:
    void documentComplete(bool ok);
    void requestExit();
    void showAbout();

    QString m_programPath;
    std::function<void(int)> m_quit;
    render::BrowserHost m_host;
    render::Renderer m_renderer;
    QPointer<viewerAbout> m_about;
    bool m_exitRequested = false;
};

} // namespace koa::viewer
