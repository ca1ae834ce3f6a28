// Start-up and shut-down of a session through the exports, seen from a host window.

#include "test_host.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"
#include "variables/variable_manager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace ob::test {
namespace {

TEST(SessionStartup, FourPhasesReportAtLevelBit16AndTheRelayAnswersPings) {
    TestHost host;
    ASSERT_EQ(host.Create("10"), static_cast<std::uint32_t>(OB_OK));
    ASSERT_TRUE(host.PumpUntil([&] { return host.Lines().size() >= 4; }));
    const std::vector<std::string> expected = {
        "[PHASE I: Engine started.]", "[PHASE II: Critical systems initialized.]",
        "[PHASE III: VBScript initialized.]", "[PHASE IV: Commandline Server initialized.]"};
    EXPECT_EQ(host.Lines(), expected);

    char title[32];
    std::snprintf(title, sizeof title, "%X:Relay", static_cast<unsigned>(::getpid()));
    const msg::Hwnd relay = msg::FindWindow("STATIC", title);
    ASSERT_NE(relay, 0u);
    EXPECT_EQ(relay, host.Record().relayWindow);
    EXPECT_EQ(msg::SendMessage(relay, msg::RegisterWindowMessage("OB_RELAY_PING"), 0, 0),
              static_cast<msg::LRESULT>(0xDEADBEEF));
    EXPECT_NE(host.Record().console.Port(), 0) << "cs_port 0 listens on a free port";
}

TEST(SessionStartup, PhasesAreSilentWithoutLevelBit16) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    host.PumpFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(host.Lines().empty());
}

TEST(SessionStartup, FirstJobNumberAndCountersStartAsDesigned) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(host.Record().nextJobNumber, 516u);
    EXPECT_EQ(host.Record().cookie, 77u);
    EXPECT_EQ(host.Record().stepState.load(), engine::StepState::Running);
    ASSERT_NE(host.Record().script, nullptr);
}

TEST(SessionStartup, MissingConsolePortTimesOutInPhaseFourButLeavesADestroyableSession) {
    TestHost host;
    ScratchDir other;
    ASSERT_EQ(host.Create("10"), static_cast<std::uint32_t>(OB_OK));
    OB_DestroySession(&host.Session());
    UseScratchStores(other); // no cs_port in these stores
    env::Remove("cs_port");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(OB_CreateSession(&host.Session(), host.Window(), 1),
              static_cast<std::uint32_t>(OB_STARTUP_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(14));
    ASSERT_NE(host.Session(), nullptr);
    ASSERT_TRUE(host.PumpUntil([&] {
        const auto lines = host.Lines();
        return !lines.empty() &&
               lines.back() == "[OB_CreateSession::PHASE IV exiting with WAIT_TIMEOUT]";
    }));
    EXPECT_EQ(OB_DestroySession(&host.Session()), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(host.Session(), nullptr);
}

TEST(SessionStartup, ConsolePortThatIsNotANumberDisablesTheConsoleButStartsTheSession) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    OB_DestroySession(&host.Session());
    OB_PutEnv("Communication", "cs_port", "70000", ENV_PERSISTENT);
    EXPECT_EQ(OB_CreateSession(&host.Session(), host.Window(), 1),
              static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(host.Record().console.Port(), 0);
    EXPECT_EQ(OB_Synchronize(host.Session(), 5000), static_cast<std::uint32_t>(OB_OK));
    EXPECT_TRUE(host.Record().console.Disabled());
}

TEST(SessionStartup, ManySessionsComeAndGo) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    for (int i = 0; i < 20; ++i) {
        OB_SESSION second = nullptr;
        ASSERT_EQ(OB_CreateSession(&second, host.Window(), 2), static_cast<std::uint32_t>(OB_OK));
        ASSERT_EQ(OB_DestroySession(&second), static_cast<std::uint32_t>(OB_OK));
        EXPECT_EQ(second, nullptr);
    }
    // The first session's relay window still answers.
    EXPECT_EQ(msg::SendMessage(host.Record().relayWindow,
                               msg::RegisterWindowMessage("OB_RELAY_PING"), 0, 0),
              static_cast<msg::LRESULT>(0xDEADBEEF));
}

} // namespace
} // namespace ob::test
