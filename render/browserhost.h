#pragma once

#include "renderhost.h"

#include <QObject>
#include <QPointer>

namespace koa::render {

class Browser;
class Renderer;

// The renderer's host on the real browser: documents and scripts go to the
// browser's frames, and every status text of its pages goes to the renderer.
// The preview and the viewer derive from it for "about" and "exit".
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

private:
    QPointer<Browser> m_browser;
    Renderer* m_renderer = nullptr;
};

} // namespace koa::render
