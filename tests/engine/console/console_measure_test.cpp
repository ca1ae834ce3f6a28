// Measurements, run on demand (they take about a minute):
//   console_tests --gtest_also_run_disabled_tests --gtest_filter='*Measure*'
// Prints how long `list -ts` of 10 000 jobs takes to reach a client over loopback
// (scheduler idle), and the largest gap between the output lines of a job that
// fires every second while a listing of 2000 jobs is being sent.

#include "console_fixture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace ob::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class ConsoleMeasureTest : public ConsoleTest {
protected:
    // Loads a job "ticker" that prints "tick" every second and `count` - 1 jobs
    // that would first fire a day later.
    void LoadJobs(int count) {
        {
            std::ofstream script(dir_ / "many.jr");
            script << "{\n\t-name ticker\n\t-start -inc 0 0 0 1\n\t-action -print tick\n}\n";
            for (int i = 0; i < count - 1; ++i) {
                script << "{\n\t-name job" << i
                       << "\n\t-start -delay 1 0 0 0\n\t-action -set A=1\n}\n";
            }
        }
        const auto start = Clock::now();
        ASSERT_EQ(OB_LoadCronScript(host_.Session(), (dir_ / "many.jr").c_str()), OB_OK);
        std::printf("load of %d jobs: %lld ms\n", count, Ms(Clock::now() - start));
    }

    // A client that notes when each "tick" line reaches the host.
    std::unique_ptr<ConsoleClient> TickWatchingClient() {
        return std::make_unique<ConsoleClient>(port_, [this] {
            host_.PumpFor(milliseconds(0));
            const auto lines = host_.Lines();
            for (; seen_ < lines.size(); ++seen_) {
                // The job's own line, not its trigger line (which names "ticker").
                const std::string& line = lines[seen_];
                if (line.find("tick") != std::string::npos &&
                    line.find("ticker") == std::string::npos) {
                    ticks_.push_back(Clock::now());
                }
            }
        });
    }

    // Sends `list -ts` and waits for its last line; returns the listing's size.
    std::size_t TimedListing(ConsoleClient& client, int count) {
        const auto start = Clock::now();
        EXPECT_TRUE(client.Send("list -ts\r\n"));
        const std::string listing =
            client.ReadUntil(std::to_string(count) + " Job(s)\r\n", std::chrono::minutes(10));
        std::printf("list -ts of %d jobs: %zu bytes in %lld ms\n", count, listing.size(),
                    Ms(Clock::now() - start));
        return listing.size();
    }

    static long long Ms(Clock::duration d) {
        return std::chrono::duration_cast<milliseconds>(d).count();
    }

    ScratchDir dir_;
    std::vector<Clock::time_point> ticks_;
    std::size_t seen_ = 0;
};

// The console alone: the scheduler is not enabled.
TEST_F(ConsoleMeasureTest, DISABLED_ListingOfTenThousandJobs) {
    LoadJobs(10000);
    auto client = TickWatchingClient();
    ASSERT_TRUE(client->Login("admin", "secret"));
    EXPECT_GT(TimedListing(*client, 10000), 0u);
}

// A job firing every second while a listing is sent: the gaps between its lines.
TEST_F(ConsoleMeasureTest, DISABLED_TriggerGapsDuringListing) {
    constexpr int kJobs = 2000;
    LoadJobs(kJobs);
    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), OB_OK);
    auto client = TickWatchingClient();
    ASSERT_TRUE(client->Login("admin", "secret"));
    ticks_.clear();
    EXPECT_GT(TimedListing(*client, kJobs), 0u);
    long long maxGap = 0;
    for (std::size_t i = 1; i < ticks_.size(); ++i) {
        maxGap = std::max(maxGap, Ms(ticks_[i] - ticks_[i - 1]));
    }
    std::printf("1-second job during the listing: %zu trigger lines, largest gap %lld ms\n",
                ticks_.size(), maxGap);
    EXPECT_GE(ticks_.size(), 2u);
}

} // namespace
} // namespace ob::test
