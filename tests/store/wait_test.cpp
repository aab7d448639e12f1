// The one wait every window uses.
#include "store/wait.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

namespace koa {
namespace {

using namespace std::chrono_literals;

TEST(Wait, EndsWhenDoneHandlingEventsMeanwhileWhenItsGuardGoesOrAtItsDeadline) {
    bool done = false;
    QTimer::singleShot(30, [&] { done = true; });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(waitUntil([&] { return done; }, {.deadline = QDeadlineTimer(5000)}), WaitEnd::Done);
    EXPECT_LT(clock.elapsed(), 2000);

    // Already true: no event runs at all.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_EQ(waitUntil([] { return true; }, {.deadline = QDeadlineTimer(5000)}), WaitEnd::Done);
    EXPECT_FALSE(fired);

    for (const WaitInput input : {WaitInput::Excluded, WaitInput::Allowed}) {
        clock.restart();
        EXPECT_EQ(
            waitUntil([] { return false; }, {.deadline = QDeadlineTimer(200), .input = input}),
            WaitEnd::TimedOut);
        EXPECT_GE(clock.elapsed(), 199);
        EXPECT_LT(clock.elapsed(), 2000);
    }

    // It ends when the guard goes, and asks nothing of the condition afterwards.
    auto* guard = new QObject;
    bool gone = false;
    QObject::connect(guard, &QObject::destroyed, [&] { gone = true; });
    QTimer::singleShot(30, [guard] { delete guard; });
    int askedAfter = 0;
    clock.restart();
    EXPECT_EQ(waitUntil(
                  [&] {
                      askedAfter += gone ? 1 : 0;
                      return false;
                  },
                  {.deadline = QDeadlineTimer(QDeadlineTimer::Forever), .guard = guard}),
              WaitEnd::GuardGone);
    EXPECT_TRUE(gone);
    EXPECT_EQ(askedAfter, 0);
    EXPECT_LT(clock.elapsed(), 2000);
}

} // namespace
} // namespace koa
