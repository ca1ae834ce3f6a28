#include "platform/time/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using std::chrono::system_clock;

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { ob::clock::SetTestClock(nullptr); }
};

TEST_F(ClockTest, RealClockByDefault) {
    const auto before = system_clock::now();
    const auto now = ob::clock::Now();
    const auto after = system_clock::now();
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}

TEST_F(ClockTest, TestClockReplacesAndRestores) {
    const system_clock::time_point fixed{std::chrono::seconds(795184889)};
    ob::clock::SetTestClock([fixed] { return fixed; });
    EXPECT_EQ(ob::clock::Now(), fixed);

    // A stepped clock: each call moves on by a second.
    auto step = std::make_shared<int>(0);
    ob::clock::SetTestClock([fixed, step] { return fixed + std::chrono::seconds((*step)++); });
    EXPECT_EQ(ob::clock::Now(), fixed);
    EXPECT_EQ(ob::clock::Now(), fixed + std::chrono::seconds(1));

    ob::clock::SetTestClock(nullptr);
    EXPECT_GT(ob::clock::Now(), fixed + std::chrono::hours(24 * 365 * 10));
}

TEST_F(ClockTest, ReplacingWhileOtherThreadsReadIsSafe) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < 2; ++i) {
        readers.emplace_back([&stop] {
            while (!stop) {
                (void)ob::clock::Now();
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        const system_clock::time_point t{std::chrono::seconds(i)};
        ob::clock::SetTestClock([t] { return t; });
    }
    stop = true;
    for (auto& t : readers) {
        t.join();
    }
    EXPECT_EQ(ob::clock::Now(), system_clock::time_point{std::chrono::seconds(1999)});
}

} // namespace
