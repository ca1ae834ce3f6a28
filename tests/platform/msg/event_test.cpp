#include "msg_test_support.h"

#include "platform/msg/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace ob::msg {
namespace {

using test::kGuardMs;
using test::WaitFor;

// Threads that each wait once on an event (with a time-out) and count releases.
class Waiters {
public:
    Waiters(Event& event, int count, std::uint32_t timeoutMs = kGuardMs) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([&event, this, timeoutMs] {
                if (event.Wait(timeoutMs)) {
                    ++released_;
                } else {
                    ++timedOut_;
                }
            });
        }
    }
    ~Waiters() { Join(); }
    void Join() {
        for (auto& thread : threads_) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }
    int Released() const { return released_; }
    int TimedOut() const { return timedOut_; }

private:
    std::atomic<int> released_{0};
    std::atomic<int> timedOut_{0};
    std::vector<std::thread> threads_;
};

TEST(MsgEvent, ManualResetReleasesEveryWaiterAndStaysSet) {
    Event event(Event::Reset::Manual);
    EXPECT_FALSE(event.Wait(0));
    Waiters waiters(event, 3);
    ASSERT_TRUE(WaitFor([&] { return event.WaiterCount() == 3; }));
    event.Set();
    waiters.Join();
    EXPECT_EQ(waiters.Released(), 3);
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.Wait(0));
    event.ResetEvent();
    EXPECT_FALSE(event.Wait(0));
    EXPECT_TRUE(Event(Event::Reset::Manual, true).Wait(0)) << "initially set";
}

TEST(MsgEvent, AutomaticResetReleasesOneWaiterPerSet) {
    Event event(Event::Reset::Automatic);
    Waiters waiters(event, 3);
    ASSERT_TRUE(WaitFor([&] { return event.WaiterCount() == 3; }));
    for (int set = 1; set <= 3; ++set) {
        event.Set();
        ASSERT_TRUE(WaitFor([&] { return waiters.Released() == set; }));
        // The released waiter reset the event: the others stay blocked.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(waiters.Released(), set);
        EXPECT_FALSE(event.IsSet());
    }
    event.Set();
    EXPECT_TRUE(event.Wait(0)) << "a Set with nobody waiting is kept for the next waiter";
    EXPECT_FALSE(event.Wait(0));
}

TEST(MsgEvent, ManualPulseReleasesOnlyTheCurrentWaiters) {
    Event event(Event::Reset::Manual);
    Waiters early(event, 3);
    ASSERT_TRUE(WaitFor([&] { return event.WaiterCount() == 3; }));
    event.Pulse();
    // A thread that starts waiting after the pulse is not released by it, even
    // though the early waiters may not have woken yet.
    Waiters late(event, 1, 300);
    early.Join();
    late.Join();
    EXPECT_EQ(early.Released(), 3);
    EXPECT_EQ(late.Released(), 0);
    EXPECT_EQ(late.TimedOut(), 1);
    EXPECT_FALSE(event.IsSet());
}

TEST(MsgEvent, AutomaticPulseReleasesOneCurrentWaiter) {
    Event event(Event::Reset::Automatic);
    Waiters waiters(event, 2, 1000);
    ASSERT_TRUE(WaitFor([&] { return event.WaiterCount() == 2; }));
    event.Pulse();
    waiters.Join();
    EXPECT_EQ(waiters.Released(), 1);
    EXPECT_EQ(waiters.TimedOut(), 1);
}

TEST(MsgEvent, PulseWithoutWaitersLeavesTheEventReset) {
    for (Event::Reset mode : {Event::Reset::Manual, Event::Reset::Automatic}) {
        Event event(mode, true);
        event.Pulse();
        EXPECT_FALSE(event.IsSet());
        EXPECT_FALSE(event.Wait(20));
    }
}

TEST(MsgEvent, WaitTimesOut) {
    Event event(Event::Reset::Manual);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(100));
    EXPECT_GE(test::ElapsedMs(start), 95);
    EXPECT_EQ(event.WaiterCount(), 0u);
}

} // namespace
} // namespace ob::msg
