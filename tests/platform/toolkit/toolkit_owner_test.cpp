#include "support/x_server.h"

#include "platform/toolkit/reminder_window.h"
#include "platform/toolkit/toolkit_loop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace ob::toolkit {
namespace {

ToolkitReady AcquireOnAnotherThread() {
    ToolkitReady ready;
    std::thread other([&ready] {
        ready = AcquireToolkit();
        if (ready.status == ToolkitStatus::Ready) {
            ReleaseToolkit();
        }
    });
    other.join();
    return ready;
}

TEST(ToolkitOwner, OneThreadAtATimeShowsDialogs) {
    const std::string missing = test::XServer::Unavailable(false);
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    test::XServer server;
    ASSERT_TRUE(server.Start(false)) << server.Problem();
    ::setenv("NO_AT_BRIDGE", "1", 1);
    ToolkitReady ready;
    auto window = ReminderWindow::Open(
        {"Reminder", "text", {"5 minutes"}, 0}, [](ReminderWindow::Answer, int) {}, ready);
    ASSERT_NE(window, nullptr) << ready.problem;
    const ToolkitReady busy = AcquireOnAnotherThread();
    EXPECT_EQ(busy.status, ToolkitStatus::Busy);
    EXPECT_EQ(busy.problem, "Another session is showing a dialog on the desktop.");
    window.reset(); // the last window gives the toolkit back
    EXPECT_EQ(AcquireOnAnotherThread().status, ToolkitStatus::Ready);
}

} // namespace
} // namespace ob::toolkit
