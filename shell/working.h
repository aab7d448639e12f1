#pragma once

#include <QTimer>
#include <QWidget>

namespace koa::shell {

// The small "Please wait" window shown over the file header window while a
// file operation runs.
class working : public QWidget {
    Q_OBJECT
public:
    explicit working(QWidget* parent = nullptr);

    // Shows the window and returns once it has been placed (bounded wait).
    void startWait(QWidget* over);
    bool waiting() const { return m_waiting; }

private:
    QTimer m_timer;
    QWidget* m_over = nullptr;
    bool m_waiting = false;
};

} // namespace koa::shell
