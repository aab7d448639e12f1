#pragma once

#include "browser.h"
#include "browserhost.h"
#include "renderer.h"
#include "shell/editorset.h"

namespace koa::render {

// The preview window: the course as the learner will see it, rendered into
// the skin's frameset in the embedded browser.
class preview : public shell::PreviewWindow {
    Q_OBJECT
public:
    explicit preview(shell::EditorSet& editors);
    ~preview() override;

    void setPreviewMode(const QString& mode) override { m_renderer.state().previewMode = mode; }
    void setSkipNextRender() override { m_renderer.state().skipNextRender = true; }
    void Initiate() override;
    // Waits for the frameset and shows the composer's page, the title page
    // or the menu.
    void ShowPreview();

    void arrive(const QString& fromKey) override;
    void leave() override;

    Renderer& renderer() { return m_renderer; }
    // The window the preview was entered from.
    QString callingWindow;
    // Raised when the program ends: completed loads render nothing then.
    bool shuttingDown = false;

    // Made first: the renderer's host and the renderer are built on it.
    Browser* WebBrowser1 = nullptr;

private:
    void documentComplete(bool ok);
    void openOutside(const QUrl& url);

    BrowserHost m_host;
    Renderer m_renderer;
};

} // namespace koa::render
