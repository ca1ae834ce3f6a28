// A session with its console on a free port, a stand-in account check (so the
// transcripts do not need real accounts), and clients connected to it.
#pragma once

#include "console_client.h"
#include "engine/console/console_login.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace ob::test {

/// The stand-in accounts: "admin" and "clerk" with password "secret"; only admin
/// is an administrator. Anything else is a wrong password (1326).
inline engine::LogonOutcome FakeLogon(const std::string& user, const std::string& password,
                                      const std::string&) {
    if (password != "secret" || (user != "admin" && user != "clerk")) {
        return {1326, false};
    }
    return {0, user == "admin"};
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host_.Create(), OB_OK);
        host_.Record().console.SetLogonCheck(FakeLogon);
        port_ = host_.Record().console.Port();
        ASSERT_NE(port_, 0);
    }

    std::unique_ptr<ConsoleClient> Connect() {
        auto client = std::make_unique<ConsoleClient>(
            port_, [this] { host_.PumpFor(std::chrono::milliseconds(0)); });
        EXPECT_TRUE(client->Connected());
        return client;
    }

    /// Polls `done` every 10 ms, pumping the host's messages meanwhile (the engine
    /// thread changes what is polled without sending this thread anything).
    bool WaitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            host_.PumpFor(std::chrono::milliseconds(10));
        }
        return true;
    }

    TestHost host_;
    std::uint16_t port_ = 0;
};

} // namespace ob::test
