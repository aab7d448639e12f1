#include "wait.h"

#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace koa {

WaitEnd waitUntil(const std::function<bool()>& done, const WaitLimits& limits) {
    const QPointer<QObject> guard(limits.guard);
    const bool guarded = limits.guard != nullptr;
    const auto check = [&]() -> std::optional<WaitEnd> {
        if (guarded && !guard)
            return WaitEnd::GuardGone;
        if (done())
            return WaitEnd::Done;
        if (limits.deadline.hasExpired())
            return WaitEnd::TimedOut;
        return std::nullopt;
    };
    std::optional<WaitEnd> end = check();
    if (end)
        return *end;
    if (!QCoreApplication::instance()) {
        while (!end) {
            std::this_thread::sleep_for(limits.poll);
            end = check();
        }
        return *end;
    }
    // No event loop of its own: windows closed before the wait are deleted
    // after it, where the caller's loop deletes them, and not during it.
    QTimer poll; // wakes the wait to ask again when no other event comes
    poll.start(limits.poll);
    const QEventLoop::ProcessEventsFlags flags =
        QEventLoop::WaitForMoreEvents |
        (limits.input == WaitInput::Allowed ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    while (!end) {
        QCoreApplication::processEvents(flags);
        end = check();
    }
    return *end;
}

} // namespace koa
