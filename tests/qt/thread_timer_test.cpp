// The send timer's own thread: when it starts, and that nothing ticks into a handler
// that has been taken away.
#include "platform/qt/thread_timer.h"
#include "qt_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace kelvo::qt::testing {
namespace {

TEST(ThreadTimer, TicksOnItsOwnThreadOnceTheEventLoopRuns) {
    std::atomic<int> ticks{0};
    std::atomic<bool> on_window_thread{false};
    const std::thread::id window_thread = std::this_thread::get_id();
    QtThreadTimer timer(1);
    timer.on_tick([&] {
        on_window_thread = on_window_thread || std::this_thread::get_id() == window_thread;
        ++ticks;
    });
    timer.set_interval(5);
    EXPECT_EQ(timer.interval(), 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(timer.running());
    EXPECT_EQ(ticks, 0);

    EXPECT_TRUE(wait_until([&] { return ticks >= 10; }));
    EXPECT_TRUE(timer.running());
    EXPECT_FALSE(on_window_thread);
}

TEST(ThreadTimer, NoTickRunsAfterTheHandlerIsTakenAway) {
    std::atomic<int> ticks{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> overlapped{false};
    auto timer = std::make_unique<QtThreadTimer>(1);
    timer->on_tick([&] {
        overlapped = overlapped || inside.exchange(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a slow tick
        ++ticks;
        inside = false;
    });
    ASSERT_TRUE(wait_until([&] { return ticks >= 5; }));
    timer->on_tick(nullptr);
    EXPECT_FALSE(inside); // waited for the tick under way
    const int after = ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ticks, after);
    EXPECT_FALSE(overlapped);

    timer->on_tick([&] { ++ticks; });
    EXPECT_TRUE(wait_until([&] { return ticks > after; }));
    timer.reset(); // stops and joins its thread
    const int last = ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ticks, last);
}

TEST(ThreadTimer, ATimerGoneBeforeTheEventLoopRanNeverStarts) {
    std::atomic<int> ticks{0};
    {
        QtThreadTimer timer(1);
        timer.on_tick([&] { ++ticks; });
    }
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ticks, 0);
}

} // namespace
} // namespace kelvo::qt::testing
