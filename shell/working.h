#pragma once

#include <atomic>
#include <functional>

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

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

    // A long job's report of the share done (0 to 1, negative when unknown);
    // false tells the job to stop: the author cancelled.
    using Report = std::function<bool(double share)>;
    // Runs `job` on a worker thread while the window shows `text`, a
    // progress bar and Cancel, and no other window takes input. The job
    // must end by itself in bounded time and soon after a report returned
    // false. Returns false when the author cancelled.
    bool runWithProgress(QWidget* over, const QString& text,
                         const std::function<void(const Report&)>& job);
    void cancel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(bool shown, const QString& text);

    QTimer m_timer;
    QWidget* m_over = nullptr;
    bool m_waiting = false;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_running = false;
    std::atomic<bool> m_cancelled = false;
};

} // namespace koa::shell
