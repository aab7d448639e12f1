#include "working.h"

#include "store/wait.h"
#include "topmost.h"

#include <exception>
#include <thread>

#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {
const QString PleaseWait = u"Please wait..."_s;
}

working::working(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(u"working"_s);
    setWindowTitle(u"KOA"_s);
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(PleaseWait, this);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    m_cancel = new QPushButton(u"Cancel"_s, this);
    m_cancel->setObjectName(u"cancel"_s);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &working::cancel);
    showProgress(false, PleaseWait);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // Over its window, or in the middle of the screen before any window is made.
        const QRect around = m_over ? m_over->frameGeometry()
                                    : (screen() ? screen()->availableGeometry() : QRect());
        if (around.isValid())
            move(around.center() - rect().center());
        m_waiting = false;
    });
}

void working::startWait(QWidget* over) {
    m_over = over;
    m_waiting = true;
    SetTopMostWindow(this, true);
    show();
    m_timer.start(100);
    // No clicks during a file operation: they would start another one.
    if (waitUntil([this] { return !m_waiting; },
                  {.deadline = QDeadlineTimer(2000), .guard = this}) != WaitEnd::GuardGone)
        m_waiting = false;
}

void working::showProgress(bool shown, const QString& text) {
    m_text->setText(text);
    m_bar->setVisible(shown);
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_cancel->setVisible(shown);
    m_cancel->setEnabled(shown);
    adjustSize();
}

bool working::runWithProgress(QWidget* over, const QString& text,
                              const std::function<void(const Report&)>& job) {
    m_cancelled = false;
    m_running = true;
    hide(); // modality changes only while hidden
    setWindowModality(Qt::ApplicationModal);
    showProgress(true, text);
    startWait(over);
    std::atomic<double> share = -1;
    std::atomic<bool> finished = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            job([&](double s) {
                share = s;
                return !m_cancelled.load();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    // Input reaches only this window (it is modal), so Cancel works. The job
    // bounds its own time, so the wait has no deadline of its own.
    waitUntil(
        [&] {
            const double s = share.load();
            if (s < 0)
                m_bar->setRange(0, 0); // busy
            else {
                m_bar->setRange(0, 1000);
                m_bar->setValue(int(s * 1000));
            }
            return finished.load();
        },
        {.deadline = QDeadlineTimer(QDeadlineTimer::Forever),
         .input = WaitInput::Allowed,
         .poll = std::chrono::milliseconds(50)});
    worker.join();
    hide();
    setWindowModality(Qt::NonModal);
    showProgress(false, PleaseWait);
    m_running = false;
    if (failure)
        std::rethrow_exception(failure);
    return !m_cancelled;
}

void working::cancel() {
    m_cancelled = true;
    m_cancel->setEnabled(false);
    m_text->setText(u"Cancelling..."_s);
}

void working::closeEvent(QCloseEvent* event) {
    // Closing the window while a job runs means to stop it; the window stays
    // until the job has ended.
    if (m_running) {
        cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace koa::shell
