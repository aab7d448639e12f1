#pragma once

#include <chrono>
#include <functional>

#include <QDeadlineTimer>

class QObject;

namespace koa {

enum class WaitInput {
    // No click or key reaches a window while waiting: it could start a second
    // action, or close the window the wait runs in.
    Excluded,
    // Only where the author must be able to act meanwhile (a Cancel button).
    Allowed,
};

enum class WaitEnd { Done, TimedOut, GuardGone };

struct WaitLimits {
    QDeadlineTimer deadline;
    // Its destruction ends the wait; the caller must then touch nothing of it.
    QObject* guard = nullptr;
    WaitInput input = WaitInput::Excluded;
    // How often `done` is asked.
    std::chrono::milliseconds poll{10};
};

// Handles this thread's events until `done` returns true, the deadline passes
// or the guard is destroyed. `done` is never asked after the guard has gone.
// Without an application object it only sleeps between the polls.
WaitEnd waitUntil(const std::function<bool()>& done, const WaitLimits& limits);

} // namespace koa
