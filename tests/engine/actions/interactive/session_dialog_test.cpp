// Dialogs of a real session: shown and served by its engine thread's own loop.
#include "interactive_fixture.h"

#include "engine/session/test_host.h"

#include "platform/desktop/send_keys.h"

#include <algorithm>
#include <fstream>

namespace ob::test {
namespace {

class SessionDialogTest : public InteractiveTest {
protected:
    // A session of its own engine thread running `job` at once.
    void Start(TestHost& host, const std::string& job) {
        ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
        const std::string path = WriteFile("session.jr", job);
        ASSERT_EQ(OB_LoadCronScript(host.Session(), path.c_str()),
                  static_cast<std::uint32_t>(OB_OK));
        ASSERT_EQ(OB_ModifyFlags(host.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    }
    // Serves the host window while polling `done` (the X server's state changes
    // without a message to the host).
    static bool Poll(TestHost& host, const std::function<bool()>& done) {
        for (int i = 0; i < 200; ++i) {
            if (done()) {
                return true;
            }
            host.PumpFor(std::chrono::milliseconds(50));
        }
        return done();
    }
    static bool HasOutput(const TestHost& host, const std::string& line) {
        const auto lines = host.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(SessionDialogTest, TheEngineThreadServesItsReminder) {
    TestHost host;
    Start(host, "{\n-name r\n-start\n-action -alert Engine reminder\n-action -print after\n}\n");
    ASSERT_TRUE(Poll(host, [] { return WindowTitled("Reminder") != 0; }));
    EXPECT_TRUE(Poll(host, [&] { return HasOutput(host, "after "); }))
        << "the job goes on while the reminder is open";
    desktop::XConnection connection;
    ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
    ASSERT_EQ(desktop::ActivateWindow(connection, WindowTitled("Reminder")),
              desktop::Activation::Activated);
    ASSERT_EQ(desktop::SendKeys("%d").result, desktop::SendKeysResult::Sent); // Alt+D: Dismiss
    EXPECT_TRUE(Poll(host, [] { return WindowTitled("Reminder") == 0; }));
}

TEST_F(SessionDialogTest, DestroyingTheSessionTakesAnOpenMessageBoxDown) {
    TestHost host;
    Start(host, "{\n-name p\n-start\n-action -popup Waiting\n}\n");
    ASSERT_TRUE(Poll(host, [] { return WindowTitled("Obrenta") != 0; }));
    OB_SESSION session = host.Session();
    EXPECT_EQ(OB_DestroySession(&host.Session()), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(host.Session(), nullptr);
    (void)session;
    // An abandoned engine thread would still be inside the box, showing it.
    EXPECT_TRUE(Poll(host, [] { return WindowTitled("Obrenta") == 0; }));
}

} // namespace
} // namespace ob::test
