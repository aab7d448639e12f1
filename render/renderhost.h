#pragma once

#include <QString>

namespace koa::render {

// What the renderer needs from the window that shows the course: the preview,
// the viewer, koa-tool or a test. The renderer never drives a browser itself;
// the host passes every status text of its pages to Renderer::HandleInput.
class RenderHost {
public:
    virtual ~RenderHost() = default;

    // Shows a local file as the top-level document: a skin's frameset.
    virtual void navigate(const QString& filePath) = 0;
    // Loads a local file into the frame of that name ("engine", "display").
    virtual void navigateFrame(const QString& frameName, const QString& filePath) = 0;
    // Runs a text that starts with "javascript:" in the frame named "engine".
    virtual void runScript(const QString& text) = 0;

    // The "about" command of the pages.
    virtual void showAbout() {}
    // The "exit" command: the viewer ends, the preview ignores it.
    virtual void exitRequested() {}
};

} // namespace koa::render
