#include "msg_test_support.h"

#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace ob::msg {
namespace {

using test::ElapsedMs;
using test::kGuardMs;

constexpr std::uint32_t kPing = WM_USER + 20; // wParam: window to send kPong to
constexpr std::uint32_t kPong = WM_USER + 21;
constexpr std::uint32_t kCount = WM_USER + 22; // counts calls, answers 42
constexpr std::uint32_t kWhere = WM_USER + 23; // answers the thread that runs it

std::atomic<int> g_counted{0};

LRESULT PeerProc(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kPing:
        // Sends back to the window whose thread is blocked sending kPing to us.
        return 1000 + SendMessage(static_cast<Hwnd>(wParam), kPong, 0, 0);
    case kPong:
        return 5;
    case kCount:
        ++g_counted;
        return 42;
    case kWhere:
        return static_cast<LRESULT>(GetCurrentThreadId());
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

// A thread that owns one "ObTestPeer" window and serves it with GetMessage until
// WM_QUIT; `serve` false makes it wait on `release` without serving anything.
class PeerThread {
public:
    explicit PeerThread(bool serve = true)
        : thread_(
              [this, serve] {
                  hwnd_ = CreateWindow("ObTestPeer", "peer");
                  made_.Set();
                  if (!serve) {
                      release_.Wait(kInfinite);
                      return 0u;
                  }
                  Message m;
                  while (GetMessage(m) > 0) {
                      DispatchMessage(m);
                  }
                  return 0u;
              },
              false) {
        EXPECT_TRUE(made_.Wait(kGuardMs));
    }
    ~PeerThread() { Stop(); }

    Hwnd Window() const { return hwnd_; }
    ThreadId Id() const { return thread_.Id(); }
    Thread& Raw() { return thread_; }
    bool Stop() {
        release_.Set();
        PostThreadMessage(thread_.Id(), WM_QUIT, 0, 0);
        if (thread_.JoinFor(kGuardMs)) {
            return true;
        }
        thread_.Abandon();
        return false;
    }

private:
    Event made_{Event::Reset::Manual};
    Event release_{Event::Reset::Manual};
    Hwnd hwnd_ = 0;
    Thread thread_;
};

class SendMessages : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClass("ObTestPeer", &PeerProc);
        ASSERT_EQ(GetClassProc("ObTestPeer"), &PeerProc);
        g_counted = 0;
    }
};

TEST_F(SendMessages, SendRunsTheProcedureOnTheOwnerThread) {
    PeerThread peer;
    EXPECT_EQ(SendMessage(peer.Window(), kWhere, 0, 0), static_cast<LRESULT>(peer.Id()));
    EXPECT_EQ(SendMessage(peer.Window(), kCount, 0, 0), 42);
    LRESULT result = 0;
    EXPECT_TRUE(SendMessageTimeout(peer.Window(), kCount, 0, 0, kGuardMs, &result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(g_counted.load(), 2);
    EXPECT_EQ(SendMessage(0, kCount, 0, 0), 0);
    EXPECT_TRUE(peer.Stop());
}

TEST_F(SendMessages, SendToOwnWindowIsADirectCall) {
    ASSERT_TRUE(test::RunOnFreshThread([] {
        const Hwnd hwnd = CreateWindow("ObTestPeer", "own");
        EXPECT_EQ(SendMessage(hwnd, kWhere, 0, 0), static_cast<LRESULT>(GetCurrentThreadId()));
        LRESULT result = 0;
        EXPECT_TRUE(SendMessageTimeout(hwnd, kCount, 0, 0, 0, &result));
        EXPECT_EQ(result, 42);
        DestroyWindow(hwnd);
    }));
}

// Two threads send to each other's window at the same moment, and each receiver
// sends back to the (blocked) sender while handling it. Each blocked sender must
// serve the sends made to it; a deadlock fails on the time-out guard.
TEST_F(SendMessages, CrossSendsBetweenTwoThreadsDoNotDeadlock) {
    struct Side {
        Event made{Event::Reset::Manual};
        Hwnd hwnd = 0;
        std::atomic<LRESULT> result{-1};
    };
    auto sides = std::make_shared<std::array<Side, 2>>();
    auto go = std::make_shared<Event>(Event::Reset::Manual);
    auto bothDone = std::make_shared<Event>(Event::Reset::Manual);
    auto finished = std::make_shared<std::atomic<int>>(0);

    auto body = [sides, go, bothDone, finished](int me) {
        return [sides, go, bothDone, finished, me]() -> std::uint32_t {
            Side& self = (*sides)[me];
            Side& peer = (*sides)[1 - me];
            self.hwnd = CreateWindow("ObTestPeer", me == 0 ? "left" : "right");
            self.made.Set();
            if (!peer.made.Wait(kGuardMs) || !go->Wait(kGuardMs)) {
                return 1;
            }
            for (int round = 0; round < 50; ++round) {
                const LRESULT r = SendMessage(peer.hwnd, kPing, self.hwnd, 0);
                if (r != 1005) {
                    self.result = r;
                    break;
                }
                self.result = r;
            }
            if (++*finished == 2) {
                bothDone->Set();
            }
            // Keep serving the peer until it is done as well.
            Message m;
            while (!bothDone->IsSet()) {
                if (GetMessageTimeout(m, 5) > 0) {
                    DispatchMessage(m);
                }
            }
            return 0;
        };
    };
    Thread left(body(0), false);
    Thread right(body(1), false);
    go->Set();
    const bool ended = left.JoinFor(kGuardMs) && right.JoinFor(kGuardMs);
    if (!ended) {
        left.Abandon();
        right.Abandon();
        FAIL() << "cross sends deadlocked";
    }
    EXPECT_EQ((*sides)[0].result.load(), 1005);
    EXPECT_EQ((*sides)[1].result.load(), 1005);
}

TEST_F(SendMessages, PendingSendFailsWhenTheOwnerThreadEnds) {
    PeerThread peer(/*serve=*/false);
    const Hwnd hwnd = peer.Window();
    Event sending(Event::Reset::Manual);
    std::atomic<LRESULT> result{-1};
    Thread sender(
        [&] {
            sending.Set();
            result = SendMessage(hwnd, kCount, 0, 0);
            return 0u;
        },
        false);
    ASSERT_TRUE(sending.Wait(kGuardMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let the send queue up
    EXPECT_EQ(result.load(), -1) << "the owner does not serve: the sender must still wait";
    ASSERT_TRUE(peer.Stop()); // the owner ends without serving it
    ASSERT_TRUE(sender.JoinFor(kGuardMs)) << "sender left waiting after the owner ended";
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(g_counted.load(), 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SendMessage(hwnd, kCount, 0, 0), 0);
}

TEST_F(SendMessages, TimedOutSendIsWithdrawn) {
    Event made(Event::Reset::Manual);
    Event serve(Event::Reset::Manual);
    Hwnd hwnd = 0;
    Thread owner(
        [&] {
            hwnd = CreateWindow("ObTestPeer", "busy");
            made.Set();
            serve.Wait(kInfinite); // busy: serves nothing for now
            Message m;
            while (GetMessage(m) > 0) {
                DispatchMessage(m);
            }
            return 0u;
        },
        false);
    ASSERT_TRUE(made.Wait(kGuardMs));

    LRESULT result = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendMessageTimeout(hwnd, kCount, 0, 0, 200, &result));
    EXPECT_GE(ElapsedMs(start), 195);
    EXPECT_EQ(result, 0);

    serve.Set();
    // The owner now serves: a later send runs, the withdrawn one never does.
    EXPECT_TRUE(SendMessageTimeout(hwnd, kCount, 0, 0, kGuardMs, &result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(g_counted.load(), 1);
    PostThreadMessage(owner.Id(), WM_QUIT, 0, 0);
    ASSERT_TRUE(owner.JoinFor(kGuardMs));
}

TEST_F(SendMessages, OwnerServesSendsWhilePeeking) {
    PeerThread target;
    Event made(Event::Reset::Manual);
    std::atomic<bool> stop{false};
    Hwnd hwnd = 0;
    Thread peeker(
        [&] {
            hwnd = CreateWindow("ObTestPeer", "peeker");
            made.Set();
            Message m;
            while (!stop) {
                PeekMessage(m, 0, 0, PM_REMOVE);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return 0u;
        },
        false);
    ASSERT_TRUE(made.Wait(kGuardMs));
    EXPECT_EQ(SendMessage(hwnd, kWhere, 0, 0), static_cast<LRESULT>(peeker.Id()));
    // A send that itself sends to a third thread's window.
    EXPECT_EQ(SendMessage(hwnd, kPing, target.Window(), 0), 1005);
    stop = true;
    ASSERT_TRUE(peeker.JoinFor(kGuardMs));
}

} // namespace
} // namespace ob::msg
