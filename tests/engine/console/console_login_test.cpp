// The login check's workers: the outcome arrives with a message to the waiting
// thread, and the number of checks in flight is bounded.

#include "engine/console/command_server.h"
#include "engine/console/console_login.h"
#include "platform/msg/message_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace ob::engine {
namespace {

TEST(ConsoleLogin, OutcomeArrivesWithAMessage) {
    msg::EnsureQueue();
    auto attempt = StartLogon(
        [](const std::string& user, const std::string& password, const std::string& group) {
            return LogonOutcome{user == "u" && password == "p" && group == "g" ? 0u : 1326u, true};
        },
        "u", "p", "g", msg::GetCurrentThreadId(), 3);
    ASSERT_NE(attempt, nullptr);
    msg::Message m;
    ASSERT_GT(msg::GetMessageTimeout(m, 5000), 0);
    EXPECT_EQ(m.message, EM_CONSOLE_LOGON);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(attempt->done.load());
    EXPECT_EQ(attempt->outcome.error, 0u);
    EXPECT_TRUE(attempt->outcome.administrator);
}

TEST(ConsoleLogin, ChecksInFlightAreBounded) {
    msg::EnsureQueue();
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
    const LogonCheck blocked = [&](const std::string&, const std::string&, const std::string&) {
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return open; });
        return LogonOutcome{1326, false};
    };
    std::vector<std::shared_ptr<LogonAttempt>> attempts;
    for (int i = 0; i < kMaxLogonWorkers; ++i) {
        attempts.push_back(StartLogon(blocked, "u", "p", "", msg::GetCurrentThreadId(), 0));
        ASSERT_NE(attempts.back(), nullptr) << i;
    }
    EXPECT_EQ(StartLogon(blocked, "u", "p", "", msg::GetCurrentThreadId(), 0), nullptr);
    {
        std::lock_guard lock(mutex);
        open = true;
    }
    released.notify_all();
    for (int i = 0; i < kMaxLogonWorkers; ++i) {
        msg::Message m;
        ASSERT_GT(msg::GetMessageTimeout(m, 5000), 0);
    }
    for (const auto& attempt : attempts) {
        EXPECT_TRUE(attempt->done.load());
    }
    // Every worker has ended its count: new checks start again.
    auto again = StartLogon(blocked, "u", "p", "", msg::GetCurrentThreadId(), 0);
    ASSERT_NE(again, nullptr);
    msg::Message m;
    ASSERT_GT(msg::GetMessageTimeout(m, 5000), 0);
}

} // namespace
} // namespace ob::engine
