#pragma once

#include "renderhost.h"

#include <functional>

#include <QObject>
#include <QPointer>

namespace koa::render {

class Browser;
class Renderer;

// The renderer's host on the real browser: documents and scripts go to the
// browser's frames, and every status text of its pages goes to the renderer.
// The preview and the viewer say what "about" and "exit" do.
class BrowserHost : public QObject, public RenderHost {
    Q_OBJECT
public:
    explicit BrowserHost(Browser& browser, QObject* parent = nullptr);

    // Status texts go to `renderer` from now on; nullptr stops them.
    void setRenderer(Renderer* renderer) { m_renderer = renderer; }
    Browser* browser() const;

    void navigate(const QString& filePath) override;
    void navigateFrame(const QString& frameName, const QString& filePath) override;
    void runScript(const QString& text) override;

    // What the pages' "about" and "exit" commands do in this window.
    void setAbout(std::function<void()> about) { m_about = std::move(about); }
    void setExit(std::function<void()> exit) { m_exit = std::move(exit); }
    void showAbout() override {
        if (m_about)
            m_about();
    }
    void exitRequested() override {
        if (m_exit)
            m_exit();
    }

private:
    QPointer<Browser> m_browser;
    Renderer* m_renderer = nullptr;
    std::function<void()> m_about;
    std::function<void()> m_exit;
};

} // namespace koa::render
