#include "msg_test_support.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/thread.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace ob::msg {
namespace {

using std::chrono::milliseconds;
using test::ElapsedMs;
using test::RunOnFreshThread;

// Takes every message available now; counts the WM_TIMERs with `id`.
int DrainTicks(std::uintptr_t id) {
    int ticks = 0;
    Message m;
    while (PeekMessage(m, 0, 0, PM_REMOVE)) {
        if (m.message == WM_TIMER && m.wParam == id) {
            ++ticks;
        }
    }
    return ticks;
}

TEST(ThreadTimer, BusyThreadGetsOneTickNotOnePerInterval) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const std::uintptr_t id = SetTimer(0, 0, 1000);
        ASSERT_NE(id, 0u);
        std::this_thread::sleep_for(milliseconds(3300)); // a long job: three intervals
        EXPECT_EQ(DrainTicks(id), 1);

        // Ticks resume one interval after that delivery, not at once.
        const auto start = std::chrono::steady_clock::now();
        Message m;
        ASSERT_EQ(GetMessageTimeout(m, test::kGuardMs), 1);
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(m.wParam, id);
        EXPECT_EQ(m.hwnd, 0u);
        EXPECT_GE(ElapsedMs(start), 950);
        EXPECT_TRUE(KillTimer(0, id));
    }));
}

TEST(ThreadTimer, PostedMessagesComeBeforeTheTick) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const std::uintptr_t id = SetTimer(0, 0, 20);
        std::this_thread::sleep_for(milliseconds(60));
        for (std::uint32_t n = 0; n < 3; ++n) {
            PostThreadMessage(GetCurrentThreadId(), WM_USER + n, 0, 0);
        }
        Message m;
        for (std::uint32_t n = 0; n < 3; ++n) {
            ASSERT_EQ(GetMessage(m), 1);
            EXPECT_EQ(m.message, WM_USER + n);
        }
        ASSERT_EQ(GetMessage(m), 1);
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_TRUE(KillTimer(0, id));
    }));
}

TEST(ThreadTimer, TickCanBePeekedAndKilled) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const std::uintptr_t id = SetTimer(0, 0, 10);
        std::this_thread::sleep_for(milliseconds(40));
        Message m;
        ASSERT_TRUE(PeekMessage(m, WM_TIMER, WM_TIMER, PM_NOREMOVE));
        EXPECT_EQ(m.wParam, id);
        EXPECT_FALSE(PeekMessage(m, WM_USER, WM_USER, PM_NOREMOVE)) << "filtered out";
        ASSERT_TRUE(PeekMessage(m, 0, 0, PM_NOREMOVE)) << "still there after a peek";
        EXPECT_TRUE(KillTimer(0, id));
        EXPECT_FALSE(PeekMessage(m, 0, 0, PM_REMOVE)) << "killing removes the pending tick";
        EXPECT_FALSE(KillTimer(0, id));
    }));
}

TEST(ThreadTimer, RepeatsOnItsIntervalAndRestartsWithTheSameId) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const std::uintptr_t id = SetTimer(0, 0, 30);
        const std::uintptr_t other = SetTimer(0, 0, 60000);
        EXPECT_NE(id, other);
        EXPECT_EQ(SetTimer(0, other, 60000), other) << "restarting keeps the id";
        int ticks = 0;
        Message m;
        while (ticks < 3 && GetMessageTimeout(m, test::kGuardMs) == 1) {
            if (m.message == WM_TIMER) {
                EXPECT_EQ(m.wParam, id);
                ++ticks;
            }
        }
        EXPECT_EQ(ticks, 3);
        KillTimer(0, id);
        KillTimer(0, other);
    }));
}

TEST(ThreadTimer, WindowTimersGoToTheirWindowAndEndWithIt) {
    Hwnd foreign = 0;
    ASSERT_TRUE(RunOnFreshThread([&] {
        const Hwnd hwnd = CreateWindow("STATIC", "timed");
        EXPECT_EQ(SetTimer(hwnd, 0, 10), 0u) << "0 cannot name a window timer";
        ASSERT_EQ(SetTimer(hwnd, 7, 10), 7u);
        Message m;
        ASSERT_EQ(GetMessageTimeout(m, test::kGuardMs), 1);
        EXPECT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(m.hwnd, hwnd);
        EXPECT_EQ(m.wParam, 7u);
        DestroyWindow(hwnd);
        EXPECT_FALSE(KillTimer(hwnd, 7)) << "the window's timers went with it";
        std::this_thread::sleep_for(milliseconds(30));
        EXPECT_FALSE(PeekMessage(m, 0, 0, PM_REMOVE));
        foreign = CreateWindow("STATIC", "owned elsewhere");
        RunOnFreshThread([&] { EXPECT_EQ(SetTimer(foreign, 1, 10), 0u); });
        DestroyWindow(foreign);
    }));
}

} // namespace
} // namespace ob::msg
