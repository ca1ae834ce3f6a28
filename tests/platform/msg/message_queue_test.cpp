#include "msg_test_support.h"

#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace ob::msg {
namespace {

using test::ElapsedMs;
using test::RunOnFreshThread;

TEST(MessageQueue, PostedMessagesArriveInOrderFromAnotherThread) {
    Event ready(Event::Reset::Manual);
    std::vector<std::uint32_t> received;
    Thread consumer(
        [&] {
            EnsureQueue();
            ready.Set();
            Message m;
            while (GetMessage(m) > 0) {
                EXPECT_EQ(m.hwnd, 0u);
                EXPECT_EQ(m.wParam, m.message * 2);
                EXPECT_EQ(m.lParam, -static_cast<LPARAM>(m.message));
                received.push_back(m.message);
                if (m.message == 1037) {
                    PostQuitMessage(0);
                }
            }
            return 0u;
        },
        false);
    ASSERT_TRUE(ready.Wait(test::kGuardMs));
    for (std::uint32_t message = 1024; message <= 1037; ++message) {
        ASSERT_TRUE(
            PostThreadMessage(consumer.Id(), message, message * 2, -static_cast<LPARAM>(message)));
    }
    ASSERT_TRUE(consumer.JoinFor(test::kGuardMs));
    std::vector<std::uint32_t> expected;
    for (std::uint32_t message = 1024; message <= 1037; ++message) {
        expected.push_back(message);
    }
    EXPECT_EQ(received, expected);
}

TEST(MessageQueue, PostToThreadWithoutQueueFails) {
    Event started(Event::Reset::Manual);
    Event finish(Event::Reset::Manual);
    Thread idle(
        [&] {
            started.Set();
            finish.Wait(kInfinite);
            return 0u;
        },
        false);
    ASSERT_TRUE(started.Wait(test::kGuardMs));
    EXPECT_FALSE(PostThreadMessage(idle.Id(), WM_USER, 0, 0));
    finish.Set();
    ASSERT_TRUE(idle.JoinFor(test::kGuardMs));
    EXPECT_FALSE(PostThreadMessage(idle.Id(), WM_USER, 0, 0)) << "queue of an ended thread";
}

TEST(MessageQueue, PeekWithAndWithoutRemovalAndFilters) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const ThreadId self = GetCurrentThreadId();
        ASSERT_TRUE(PostThreadMessage(self, 1030, 1, 0));
        ASSERT_TRUE(PostThreadMessage(self, 1025, 2, 0));
        ASSERT_TRUE(PostThreadMessage(self, 2000, 3, 0));
        EXPECT_EQ(PendingMessageCount(), 3u);

        Message m;
        ASSERT_TRUE(PeekMessage(m, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(m.message, 1030u);
        ASSERT_TRUE(PeekMessage(m, 1025, 1026, PM_NOREMOVE)) << "filter skips the first";
        EXPECT_EQ(m.message, 1025u);
        EXPECT_EQ(PendingMessageCount(), 3u);

        ASSERT_TRUE(PeekMessage(m, 2000, 2000, PM_REMOVE));
        EXPECT_EQ(m.wParam, 3u);
        EXPECT_FALSE(PeekMessage(m, 2000, 2000, PM_REMOVE));
        EXPECT_FALSE(PeekMessage(m, 1, 1000, PM_NOREMOVE)) << "nothing in that range";
        EXPECT_EQ(PendingMessageCount(), 2u);

        ASSERT_EQ(GetMessage(m, 1025, 1025), 1);
        EXPECT_EQ(m.message, 1025u);
        ASSERT_EQ(GetMessage(m), 1);
        EXPECT_EQ(m.message, 1030u);
        EXPECT_FALSE(PeekMessage(m, 0, 0, PM_REMOVE));
        EXPECT_EQ(PendingMessageCount(), 0u);
    }));
}

TEST(MessageQueue, QuitComesAfterPostedMessagesWhateverTheFilter) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const ThreadId self = GetCurrentThreadId();
        PostThreadMessage(self, 1100, 0, 0);
        PostQuitMessage(7);
        PostThreadMessage(self, 1101, 0, 0);

        Message m;
        ASSERT_EQ(GetMessage(m), 1);
        EXPECT_EQ(m.message, 1100u);
        // A filter that matches none of the posted messages still sees WM_QUIT,
        // and peeking without removal leaves it.
        ASSERT_TRUE(PeekMessage(m, 5000, 5001, PM_NOREMOVE));
        EXPECT_EQ(m.message, WM_QUIT);
        ASSERT_EQ(GetMessage(m), 1);
        EXPECT_EQ(m.message, 1101u);
        ASSERT_EQ(GetMessage(m), 0);
        EXPECT_EQ(m.message, WM_QUIT);
        EXPECT_EQ(m.wParam, 7u);
        EXPECT_EQ(m.hwnd, 0u);
        EXPECT_FALSE(PeekMessage(m, 0, 0, PM_REMOVE)) << "WM_QUIT is delivered once";
    }));
}

TEST(MessageQueue, GetMessageTimeoutWaitsAndWakesOnPost) {
    Event ready(Event::Reset::Manual);
    Event posted(Event::Reset::Manual);
    long long timedOutAfter = -1;
    int lateResult = -2;
    Message late;
    Thread waiter(
        [&] {
            Message m;
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(GetMessageTimeout(m, 150), -1);
            timedOutAfter = ElapsedMs(start);
            ready.Set();
            lateResult = GetMessageTimeout(late, test::kGuardMs);
            return 0u;
        },
        false);
    ASSERT_TRUE(ready.Wait(test::kGuardMs));
    EXPECT_GE(timedOutAfter, 145);
    EXPECT_LT(timedOutAfter, 10000);
    ASSERT_TRUE(PostThreadMessage(waiter.Id(), 1500, 9, 0));
    ASSERT_TRUE(waiter.JoinFor(test::kGuardMs));
    EXPECT_EQ(lateResult, 1);
    EXPECT_EQ(late.message, 1500u);
    EXPECT_EQ(late.wParam, 9u);
}

TEST(MessageQueue, PostingStopsAtTheQueueLimit) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const ThreadId self = GetCurrentThreadId();
        std::size_t accepted = 0;
        while (accepted < 20000 && PostThreadMessage(self, WM_USER, accepted, 0)) {
            ++accepted;
        }
        EXPECT_EQ(accepted, 10000u);
        Message m;
        ASSERT_TRUE(PeekMessage(m, 0, 0, PM_REMOVE));
        EXPECT_TRUE(PostThreadMessage(self, WM_USER, 0, 0)) << "room again after a removal";
    }));
}

LRESULT RecordThreadProc(Hwnd, std::uint32_t message, WPARAM wParam, LPARAM) {
    return message == WM_USER + 1 ? static_cast<LRESULT>(wParam + GetCurrentThreadId()) : 0;
}

TEST(MessageQueue, DispatchCallsOnlyTheCallingThreadsWindows) {
    RegisterClass("ObTestDispatch", &RecordThreadProc);
    ASSERT_EQ(GetClassProc("ObTestDispatch"), &RecordThreadProc);
    Event made(Event::Reset::Manual);
    Event finish(Event::Reset::Manual);
    Hwnd foreign = 0;
    Thread owner(
        [&] {
            foreign = CreateWindow("ObTestDispatch", "foreign");
            made.Set();
            finish.Wait(kInfinite);
            return 0u;
        },
        false);
    ASSERT_TRUE(made.Wait(test::kGuardMs));
    ASSERT_TRUE(RunOnFreshThread([&] {
        const Hwnd own = CreateWindow("ObTestDispatch", "own");
        ASSERT_NE(own, 0u);
        ASSERT_TRUE(PostMessage(own, WM_USER + 1, 5, 0));
        Message m;
        ASSERT_EQ(GetMessage(m), 1);
        EXPECT_EQ(m.hwnd, own);
        EXPECT_EQ(DispatchMessage(m), static_cast<LRESULT>(5 + GetCurrentThreadId()));
        EXPECT_EQ(DispatchMessage(Message{foreign, WM_USER + 1, 5, 0}), 0);
        EXPECT_EQ(DispatchMessage(Message{0, WM_USER + 1, 5, 0}), 0);
        DestroyWindow(own);
    }));
    finish.Set();
    ASSERT_TRUE(owner.JoinFor(test::kGuardMs));
}

TEST(MessageQueue, FdWatchRunsItsCallbackFromTheWait) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    const int readEnd = fds[0];
    const int writeEnd = fds[1];
    Event watching(Event::Reset::Manual);
    std::atomic<int> calls{0};
    int result = -2;
    Message got;
    Thread server(
        [&] {
            const std::uint32_t watch = AddFdWatch(readEnd, [&] {
                char buffer[16];
                while (::read(readEnd, buffer, sizeof buffer) > 0) {
                }
                ++calls;
                PostThreadMessage(GetCurrentThreadId(), 1600, 0, 0);
            });
            EXPECT_NE(watch, 0u);
            watching.Set();
            // The descriptor wakes GetMessage; its callback posts what it returns.
            result = GetMessageTimeout(got, test::kGuardMs);
            RemoveFdWatch(watch);
            return 0u;
        },
        false);
    ASSERT_TRUE(watching.Wait(test::kGuardMs));
    ASSERT_EQ(::write(writeEnd, "x", 1), 1);
    ASSERT_TRUE(server.JoinFor(test::kGuardMs));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(got.message, 1600u);
    EXPECT_EQ(calls.load(), 1);
    ::close(readEnd);
    ::close(writeEnd);
}

TEST(MessageQueue, RemovedOrClosedWatchesAreNotCalled) {
    ASSERT_TRUE(RunOnFreshThread([] {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        int calls = 0;
        const std::uint32_t watch = AddFdWatch(fds[0], [&] { ++calls; });
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
        RemoveFdWatch(watch);
        Message m;
        EXPECT_FALSE(PeekMessage(m, 0, 0, PM_REMOVE));
        EXPECT_EQ(calls, 0);

        // A descriptor closed under its watch is dropped rather than reported
        // for ever: the wait still times out normally.
        int other[2];
        ASSERT_EQ(::pipe2(other, O_CLOEXEC), 0);
        AddFdWatch(other[0], [&] { ++calls; });
        ::close(other[0]);
        EXPECT_EQ(GetMessageTimeout(m, 50), -1);
        EXPECT_EQ(calls, 0);
        ::close(other[1]);
        ::close(fds[0]);
        ::close(fds[1]);
    }));
}

} // namespace
} // namespace ob::msg
