#pragma once

#include "browser.h"
#include "browserhost.h"
#include "closepreview.h"
#include "renderer.h"
#include "shell/editorset.h"

#include <QPointer>

namespace koa::render {

class OutsideLinks;

// The preview window: the course as the learner will see it, rendered into
// the skin's frameset. From 1024 pixels of screen width on it shows the
// course in its embedded browser; on a narrower screen it never shows itself
// but a full-screen browser with a "Close" window on top.
class preview : public shell::PreviewWindow {
    Q_OBJECT
public:
    explicit preview(shell::EditorSet& editors);
    ~preview() override;

    // Whether a screen this wide gets the full-screen browser.
    static bool fullScreenFor(int screenWidth) { return screenWidth < 1024; }

    void setPreviewMode(const QString& mode) override { m_renderer.state().previewMode = mode; }
    void setSkipNextRender() override { m_renderer.state().skipNextRender = true; }
    void Initiate() override;
    void shutDown() override;
    bool showsInPlace() const override { return !m_fullScreen; }
    // Waits for the frameset and shows the composer's page, the title page
    // or the menu.
    void ShowPreview();
    // Back from the full-screen browser to the window the preview came from.
    void close_properly();

    void arrive(const QString& fromKey) override;
    void leave() override;

    Renderer& renderer() { return m_renderer; }
    // The browser the course is shown in: WebBrowser1, or the full-screen one.
    Browser* browser() const { return m_browser; }
    bool fullScreen() const { return m_fullScreen; }
    closePreview* closeWindow() const { return m_closeWindow; }
    OutsideLinks* outsideLinks() const { return m_links; }

    // The window the preview was entered from.
    QString callingWindow;
    // Raised when the program ends: completed loads render nothing then.
    bool shuttingDown = false;

    // Made first: the renderer's host and the renderer are built on it.
    Browser* WebBrowser1 = nullptr;

private:
    Browser* makeBrowsers();
    // Lets events other than the author's input run until the frameset has
    // loaded (20 s at most); false when the preview was deleted meanwhile.
    bool waitForFrameset();
    void presentFullScreen();
    // Closes the "Close" window and hides the full-screen browser.
    void hideFullScreen();
    void documentComplete(bool ok);
    void showAbout();

    bool m_fullScreen = false;
    Browser* m_browser = nullptr;
    BrowserHost m_host;
    Renderer m_renderer;
    OutsideLinks* m_links = nullptr;
    QPointer<closePreview> m_closeWindow;
};

} // namespace koa::render
