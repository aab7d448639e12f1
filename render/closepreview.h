#pragma once

#include <functional>

#include <QWidget>

class QLabel;

namespace koa::render {

// The small "Close" window that stays above the full-screen preview and
// takes the author back to the window the preview was started from.
class closePreview : public QWidget {
    Q_OBJECT
public:
    // `closeProperly` returns to the calling window; it is run once.
    explicit closePreview(std::function<void()> closeProperly, QWidget* parent = nullptr);

    void Form_Click();
    void Label1_Click();

    QLabel* Label1 = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void close_properly(const QString& procedure);

    std::function<void()> m_closeProperly;
};

} // namespace koa::render
