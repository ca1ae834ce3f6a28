#include "msg_test_support.h"

#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

namespace ob::msg {
namespace {

using test::ElapsedMs;
using test::kGuardMs;

TEST(MsgThread, SuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    std::atomic<ThreadId> inside{0};
    Thread thread(
        [&] {
            ran = true;
            inside = GetCurrentThreadId();
            return 17u;
        },
        true);
    EXPECT_NE(thread.Id(), 0u) << "the id is known when the constructor returns";
    EXPECT_FALSE(thread.JoinFor(100));
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(thread.Running());
    EXPECT_EQ(thread.ExitCode(), kStillActive);
    thread.Resume();
    ASSERT_TRUE(thread.JoinFor(kGuardMs));
    EXPECT_TRUE(ran.load());
    EXPECT_EQ(inside.load(), thread.Id());
    EXPECT_FALSE(thread.Running());
    EXPECT_EQ(thread.ExitCode(), 17u);
    EXPECT_TRUE(thread.JoinFor(0)) << "joining again is harmless";
}

TEST(MsgThread, JoinForTimesOutWhileTheBodyRuns) {
    Event finish(Event::Reset::Manual);
    Thread thread(
        [&] {
            finish.Wait(kInfinite);
            return 3u;
        },
        false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(thread.JoinFor(150));
    EXPECT_GE(ElapsedMs(start), 145);
    EXPECT_TRUE(thread.Running());
    finish.Set();
    ASSERT_TRUE(thread.JoinFor(kGuardMs));
    EXPECT_EQ(thread.ExitCode(), 3u);
}

TEST(MsgThread, NeverResumedThreadIsDroppedWithoutRunning) {
    auto ran = std::make_shared<std::atomic<bool>>(false);
    const auto start = std::chrono::steady_clock::now();
    {
        Thread thread(
            [ran] {
                *ran = true;
                return 0u;
            },
            true);
    }
    {
        Thread thread(
            [ran] {
                *ran = true;
                return 0u;
            },
            true);
        thread.Abandon();
    }
    EXPECT_LT(ElapsedMs(start), 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(ran->load());
}

TEST(MsgThread, AbandonedThreadRunsOnUnobserved) {
    auto finish = std::make_shared<Event>(Event::Reset::Manual);
    auto ended = std::make_shared<Event>(Event::Reset::Manual);
    const auto start = std::chrono::steady_clock::now();
    {
        Thread thread(
            [finish, ended] {
                finish->Wait(kInfinite);
                ended->Set();
                return 0u;
            },
            false);
        EXPECT_FALSE(thread.JoinFor(50));
        thread.Abandon();
    } // does not wait for the body
    EXPECT_LT(ElapsedMs(start), 10000);
    EXPECT_FALSE(ended->IsSet());
    finish->Set();
    EXPECT_TRUE(ended->Wait(kGuardMs));
}

TEST(MsgThread, BodyThatThrowsEndsWithFailureCode) {
    Thread thread([]() -> std::uint32_t { throw std::runtime_error("body failed"); }, false);
    ASSERT_TRUE(thread.JoinFor(kGuardMs));
    EXPECT_EQ(thread.ExitCode(), kThreadFailed);
}

TEST(MsgThread, QueueIsClosedWhenJoinReportsTheEnd) {
    Hwnd hwnd = 0;
    Thread thread(
        [&] {
            hwnd = CreateWindow("STATIC", "thread end");
            return 0u;
        },
        false);
    ASSERT_TRUE(thread.JoinFor(kGuardMs));
    EXPECT_NE(hwnd, 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostThreadMessage(thread.Id(), WM_USER, 0, 0));
}

} // namespace
} // namespace ob::msg
