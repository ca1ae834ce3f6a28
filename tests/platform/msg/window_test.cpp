#include "msg_test_support.h"

#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace ob::msg {
namespace {

using test::RunOnFreshThread;

constexpr std::uint32_t kAsk = WM_USER + 10;
constexpr std::uint32_t kOther = WM_USER + 11;

// Procedures are plain functions: they log to the (single) test thread's trace.
thread_local std::vector<std::string> t_trace;
WindowProc g_firstSubclassPrevious = nullptr;
WindowProc g_secondSubclassPrevious = nullptr;

LRESULT ClassProc(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        t_trace.push_back("create " + GetWindowText(hwnd));
        return GetWindowText(hwnd) == "refuse" ? -1 : 0;
    case WM_DESTROY:
        t_trace.push_back("destroy " + GetWindowText(hwnd));
        return 0;
    case kAsk:
    case kOther:
        t_trace.push_back("class " + std::to_string(message - WM_USER));
        return 100 + static_cast<LRESULT>(wParam);
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

LRESULT FirstSubclass(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == kAsk) {
        t_trace.push_back("first");
        return 1 + CallWindowProc(g_firstSubclassPrevious, hwnd, message, wParam, lParam);
    }
    return CallWindowProc(g_firstSubclassPrevious, hwnd, message, wParam, lParam);
}

LRESULT SecondSubclass(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == kOther) {
        t_trace.push_back("second handles");
        return 7; // not passed on
    }
    t_trace.push_back("second");
    return 10 + CallWindowProc(g_secondSubclassPrevious, hwnd, message, wParam, lParam);
}

class MsgWindows : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClass("ObTestWindow", &ClassProc);
        ASSERT_EQ(GetClassProc("obtestwindow"), &ClassProc);
        t_trace.clear();
    }
};

TEST_F(MsgWindows, ClassRegistrationIsCaseInsensitive) {
    EXPECT_FALSE(RegisterClass("OBTESTWINDOW", &FirstSubclass));
    EXPECT_FALSE(RegisterClass("static", &FirstSubclass)) << "STATIC is predefined";
    EXPECT_FALSE(RegisterClass("", &FirstSubclass));
    EXPECT_EQ(GetClassProc("Static"), &DefWindowProc);
    EXPECT_EQ(GetClassProc("NoSuchClass"), nullptr);
    ASSERT_TRUE(RunOnFreshThread([] { EXPECT_EQ(CreateWindow("NoSuchClass", "x"), 0u); }));
}

TEST_F(MsgWindows, SubclassingChainsThroughThePreviousProcedures) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const Hwnd hwnd = CreateWindow("obtestwindow", "chain", 77);
        ASSERT_NE(hwnd, 0u);
        EXPECT_EQ(GetClassName(hwnd), "ObTestWindow");
        EXPECT_EQ(GetWindowUserData(hwnd), 77u);
        g_firstSubclassPrevious = SetWindowProc(hwnd, &FirstSubclass);
        EXPECT_EQ(g_firstSubclassPrevious, &ClassProc);
        g_secondSubclassPrevious = SetWindowProc(hwnd, &SecondSubclass);
        EXPECT_EQ(g_secondSubclassPrevious, &FirstSubclass);
        EXPECT_EQ(GetWindowProc(hwnd), &SecondSubclass);
        t_trace.clear();

        // second -> first -> class, each adding its share to the result.
        EXPECT_EQ(SendMessage(hwnd, kAsk, 5, 0), 10 + 1 + 105);
        EXPECT_EQ(t_trace, (std::vector<std::string>{"second", "first", "class 10"}));
        t_trace.clear();
        EXPECT_EQ(SendMessage(hwnd, kOther, 5, 0), 7);
        EXPECT_EQ(t_trace, (std::vector<std::string>{"second handles"}));

        // Removing the outer subclass restores the inner chain.
        EXPECT_EQ(SetWindowProc(hwnd, g_secondSubclassPrevious), &SecondSubclass);
        t_trace.clear();
        EXPECT_EQ(SendMessage(hwnd, kAsk, 5, 0), 1 + 105);
        EXPECT_EQ(SetWindowProc(hwnd, nullptr), nullptr) << "a null procedure is refused";
        EXPECT_EQ(GetWindowProc(hwnd), &FirstSubclass);
        EXPECT_TRUE(DestroyWindow(hwnd));
    }));
}

TEST_F(MsgWindows, StaticClassClosesOnWmCloseAndStaleHandlesFail) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const Hwnd hwnd = CreateWindow("static", "1A2B:Relay");
        ASSERT_NE(hwnd, 0u);
        EXPECT_EQ(GetClassName(hwnd), "STATIC");
        EXPECT_EQ(FindWindow("STATIC", "1a2b:relay"), hwnd);
        EXPECT_EQ(SendMessage(hwnd, kAsk, 1, 2), 0) << "default handling answers 0";
        EXPECT_TRUE(IsWindow(hwnd));

        EXPECT_EQ(SendMessage(hwnd, WM_CLOSE, 0, 0), 0);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(FindWindow("STATIC", "1A2B:Relay"), 0u);
        EXPECT_EQ(GetWindowThreadId(hwnd), 0u);
        EXPECT_FALSE(PostMessage(hwnd, kAsk, 0, 0));
        EXPECT_EQ(SendMessage(hwnd, kAsk, 0, 0), 0);
        EXPECT_FALSE(SetWindowText(hwnd, "again"));
        EXPECT_EQ(GetWindowText(hwnd), "");
        EXPECT_FALSE(DestroyWindow(hwnd));

        // A new window never reuses the handle of a destroyed one.
        const Hwnd next = CreateWindow("STATIC", "next");
        EXPECT_NE(next, hwnd);
        EXPECT_FALSE(IsWindow(hwnd));
        DestroyWindow(next);
    }));
}

TEST_F(MsgWindows, CreateAndDestroyReachTheProcedure) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const Hwnd hwnd = CreateWindow("ObTestWindow", "kept");
        EXPECT_EQ(CreateWindow("ObTestWindow", "refuse"), 0u) << "WM_CREATE answered -1";
        EXPECT_EQ(FindWindow("ObTestWindow", "refuse"), 0u);
        EXPECT_TRUE(DestroyWindow(hwnd));
        EXPECT_EQ(t_trace, (std::vector<std::string>{"create kept", "create refuse",
                                                     "destroy refuse", "destroy kept"}));
    }));
}

TEST_F(MsgWindows, FindWindowMatchesWithoutCaseInCreationOrder) {
    ASSERT_TRUE(RunOnFreshThread([] {
        const Hwnd first = CreateWindow("ObTestWindow", "Find Me");
        const Hwnd second = CreateWindow("STATIC", "find me");
        EXPECT_EQ(FindWindow("obtestwindow", "FIND ME"), first);
        EXPECT_EQ(FindWindow("static", "FIND ME"), second);
        EXPECT_EQ(FindWindow("", "find me"), first) << "empty class matches any";
        EXPECT_EQ(FindWindow("STATIC", "Find"), 0u) << "titles match whole";
        ASSERT_TRUE(SetWindowText(second, "renamed"));
        EXPECT_EQ(FindWindow("STATIC", "renamed"), second);
        DestroyWindow(first);
        EXPECT_EQ(FindWindow("", "find me"), 0u);
        DestroyWindow(second);
    }));
}

TEST_F(MsgWindows, EnumThreadWindowsVisitsOneThreadInCreationOrder) {
    Event made(Event::Reset::Manual);
    Event finish(Event::Reset::Manual);
    Hwnd foreign = 0;
    Thread other(
        [&] {
            foreign = CreateWindow("STATIC", "other thread");
            made.Set();
            finish.Wait(kInfinite);
            return 0u;
        },
        false);
    ASSERT_TRUE(made.Wait(test::kGuardMs));

    ASSERT_TRUE(RunOnFreshThread([&] {
        const Hwnd a = CreateWindow("STATIC", "a");
        const Hwnd b = CreateWindow("STATIC", "b");
        const Hwnd c = CreateWindow("STATIC", "c");
        std::vector<Hwnd> seen;
        EnumThreadWindows(GetCurrentThreadId(), [&](Hwnd hwnd) {
            seen.push_back(hwnd);
            return true;
        });
        EXPECT_EQ(seen, (std::vector<Hwnd>{a, b, c}));

        seen.clear();
        EnumThreadWindows(GetCurrentThreadId(), [&](Hwnd hwnd) {
            seen.push_back(hwnd);
            return hwnd != b; // stop after b
        });
        EXPECT_EQ(seen, (std::vector<Hwnd>{a, b}));

        seen.clear();
        EnumThreadWindows(GetCurrentThreadId(), [&](Hwnd hwnd) {
            seen.push_back(hwnd);
            if (hwnd == a) {
                DestroyWindow(b); // destroyed during the walk: not visited
            }
            return true;
        });
        EXPECT_EQ(seen, (std::vector<Hwnd>{a, c}));

        seen.clear();
        EnumThreadWindows(GetWindowThreadId(foreign), [&](Hwnd hwnd) {
            seen.push_back(hwnd);
            return true;
        });
        EXPECT_EQ(seen, (std::vector<Hwnd>{foreign}));
        EXPECT_FALSE(DestroyWindow(foreign)) << "only the owner destroys a window";
        EXPECT_TRUE(IsWindow(foreign));
        DestroyWindow(a);
        DestroyWindow(c);
    }));
    finish.Set();
    ASSERT_TRUE(other.JoinFor(test::kGuardMs));
}

TEST_F(MsgWindows, WindowsOfAnEndedThreadAreGone) {
    // Both a Thread and a thread started elsewhere (std::thread) lose their windows.
    for (bool platformThread : {true, false}) {
        Hwnd hwnd = 0;
        ThreadId owner = 0;
        auto body = [&] {
            hwnd = CreateWindow("ObTestWindow", "short-lived");
            owner = GetCurrentThreadId();
        };
        if (platformThread) {
            ASSERT_TRUE(RunOnFreshThread(body));
        } else {
            std::thread(body).join();
        }
        ASSERT_NE(hwnd, 0u);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(FindWindow("ObTestWindow", "short-lived"), 0u);
        EXPECT_FALSE(PostThreadMessage(owner, WM_USER, 0, 0));
        int visited = 0;
        EnumThreadWindows(owner, [&](Hwnd) { return ++visited, true; });
        EXPECT_EQ(visited, 0);
    }
}

} // namespace
} // namespace ob::msg
