#include "browserhost.h"

#include "browser.h"
#include "renderer.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRender)

namespace koa::render {

BrowserHost::BrowserHost(Browser& browser, QObject* parent) : QObject(parent), m_browser(&browser) {
    connect(&browser, &Browser::statusTextChange, this, [this](const QString& text) {
        if (m_renderer)
            m_renderer->HandleInput(text);
    });
}

Browser* BrowserHost::browser() const {
    return m_browser.data();
}

void BrowserHost::navigate(const QString& filePath) {
    if (m_browser)
        m_browser->navigate(filePath);
}

void BrowserHost::navigateFrame(const QString& frameName, const QString& filePath) {
    if (!m_browser)
        return;
    // A frameset without that frame is a skin fault, not the course's.
    m_browser->navigateFrame(frameName, filePath, [frameName](bool ok) {
        if (!ok)
            qCWarning(lcRender).noquote() << "the frame" << frameName << "was not loaded";
    });
}

void BrowserHost::runScript(const QString& text) {
    if (!m_browser)
        return;
    m_browser->runScript(text, [text](bool ok) {
        if (!ok)
            qCWarning(lcRender).noquote() << "the engine frame did not run" << text;
    });
}

} // namespace koa::render
