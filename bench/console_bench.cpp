// The console under load: how long `list -ts` of 10 000 jobs takes to reach a
// client over loopback with the scheduler idle, and the largest gap between the
// output lines of a job that fires every second while a listing of 10 000 jobs is
// being sent (1000 ms means the tick was undisturbed).
//
// Run: build/test/bin/console_bench (settings stores go to a temporary folder; the
// console's account check is a stand-in, so no accounts are needed).

#include "console_client.h"
#include "engine/console/console_login.h"
#include "test_host.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ob::test::ConsoleClient;
using ob::test::TestHost;

ob::engine::LogonOutcome Admin(const std::string&, const std::string&, const std::string&) {
    return {0, true};
}

// A session with a job "ticker" that prints "tick" every second and `count` - 1
// jobs that first fire a day later, and a logged-in console client.
class ListingRig {
public:
    explicit ListingRig(int count) : count_(count) {
        if (host_.Create("0") != OB_OK) {
            return;
        }
        host_.Record().console.SetLogonCheck(Admin);
        const std::string path = dir_ / "many.jr";
        {
            std::ofstream script(path);
            script << "{\n\t-name ticker\n\t-start -inc 0 0 0 1\n\t-action -print tick\n}\n";
            for (int i = 0; i < count - 1; ++i) {
                script << "{\n\t-name job" << i
                       << "\n\t-start -delay 1 0 0 0\n\t-action -set A=1\n}\n";
            }
        }
        if (OB_LoadCronScript(host_.Session(), path.c_str()) != OB_OK) {
            return;
        }
        client_ = std::make_unique<ConsoleClient>(host_.Record().console.Port(), [this] {
            host_.PumpFor(std::chrono::milliseconds(0));
            NoteTicks();
        });
        ready_ = client_->Connected() && client_->Login("admin", "secret");
    }

    bool Ready() const { return ready_; }
    void Enable() { OB_ModifyFlags(host_.Session(), SF_ENABLED, 0); }

    /// Sends `list -ts` and reads its answer to the last line; false when it did not
    /// arrive within ten minutes.
    bool List() {
        client_->Send("list -ts\r\n");
        const std::string end = std::to_string(count_) + " Job(s)\r\n";
        return !client_->ReadUntil(end, std::chrono::minutes(10)).empty();
    }

    /// The largest gap between two "tick" lines seen so far, in milliseconds.
    double LargestTickGapMs() const {
        Clock::duration largest{};
        for (std::size_t i = 1; i < ticks_.size(); ++i) {
            largest = std::max(largest, ticks_[i] - ticks_[i - 1]);
        }
        return std::chrono::duration<double, std::milli>(largest).count();
    }
    std::size_t Ticks() const { return ticks_.size(); }

private:
    // The job's own output line, not its trigger line (which names "ticker").
    void NoteTicks() {
        const auto lines = host_.Lines();
        for (; seen_ < lines.size(); ++seen_) {
            if (lines[seen_] == "tick ") {
                ticks_.push_back(Clock::now());
            }
        }
    }

    int count_;
    TestHost host_;
    ob::test::ScratchDir dir_;
    std::unique_ptr<ConsoleClient> client_;
    bool ready_ = false;
    std::vector<Clock::time_point> ticks_;
    std::size_t seen_ = 0;
};

// The console alone: the scheduler is not enabled.
void BM_ListingReachesClient(benchmark::State& state) {
    ListingRig rig(static_cast<int>(state.range(0)));
    if (!rig.Ready()) {
        state.SkipWithError("the console did not start");
        return;
    }
    for (auto _ : state) {
        if (!rig.List()) {
            state.SkipWithError("the listing did not arrive");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListingReachesClient)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// A job firing every second while listings are sent back to back for about
// five seconds: the largest gap between its lines.
void BM_TickDuringListing(benchmark::State& state) {
    ListingRig rig(static_cast<int>(state.range(0)));
    if (!rig.Ready()) {
        state.SkipWithError("the console did not start");
        return;
    }
    rig.Enable();
    for (auto _ : state) {
        const auto until = Clock::now() + std::chrono::seconds(5);
        do {
            if (!rig.List()) {
                state.SkipWithError("the listing did not arrive");
                return;
            }
        } while (Clock::now() < until);
    }
    state.counters["largest_tick_gap_ms"] = rig.LargestTickGapMs();
    state.counters["ticks"] = static_cast<double>(rig.Ticks());
}
BENCHMARK(BM_TickDuringListing)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
