// The console under load: how long `list -ts` of 10 000 jobs takes to reach a
// client over loopback with the scheduler idle, and the largest gap between the
// output lines of a job that fires every second while a listing of 10 000 jobs is
// being sent (1000 ms means the tick was undisturbed); how long a fifth connection
// waits to be turned away and how late a silent client's slot is freed after the
// login time-out; and the process's resident memory before, at the peak of and
// after four logged-in clients that flood `help` without reading.
//
// Run: build/test/bin/console_bench (settings stores go to a temporary folder; the
// console's account check is a stand-in, so no accounts are needed).

#include "console_client.h"
#include "engine/console/console_login.h"
#include "platform/registry/registry.h"
#include "support/resident_memory.h"
#include "test_host.h"
#include "tick_gaps.h"

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
    double LargestTickGapMs() const { return ticks_.LargestGapMs(); }
    std::size_t Ticks() const { return ticks_.Count(); }

private:
    void NoteTicks() { ticks_.Note(host_.Lines()); }

    int count_;
    TestHost host_;
    ob::test::ScratchDir dir_;
    std::unique_ptr<ConsoleClient> client_;
    bool ready_ = false;
    ob::bench::TickGaps ticks_;
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

// A session whose console serves clients that connect on demand.
class ConsoleRig {
public:
    explicit ConsoleRig(const char* loginTimeout = "60") {
        // A value read from the store enters the environment, which wins from then on.
        ob::env::Remove("cs_login_timeout");
        if (host_.Create("0") != OB_OK) {
            return;
        }
        host_.Record().console.SetLogonCheck(Admin);
        ob::registry::Key key;
        ob::registry::Key::Create(ob::registry::Root::LocalMachine,
                                  "Software\\Varndel Software\\Obrenta\\Communication",
                                  ob::registry::KEY_READ_WRITE, key);
        key.SetValue("cs_login_timeout", loginTimeout);
        ready_ = host_.Record().console.Port() != 0;
    }

    bool Ready() const { return ready_; }
    std::unique_ptr<ConsoleClient> Connect() {
        return std::make_unique<ConsoleClient>(
            host_.Record().console.Port(), [this] { host_.PumpFor(std::chrono::milliseconds(0)); });
    }
    std::uint32_t Connections() { return host_.Record().console.ConnectionCount(); }
    void Pump() { host_.PumpFor(std::chrono::milliseconds(10)); }

private:
    TestHost host_;
    bool ready_ = false;
};

// From connect() to the end of the stream for a fifth client while four hold the slots.
void BM_FifthConnectionRejected(benchmark::State& state) {
    ConsoleRig rig;
    std::vector<std::unique_ptr<ConsoleClient>> holders;
    for (int i = 0; rig.Ready() && i < 4; ++i) {
        holders.push_back(rig.Connect());
        holders.back()->ReadUntil("Username: ");
    }
    if (!rig.Ready() || rig.Connections() != 4) {
        state.SkipWithError("the console did not take four clients");
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        auto fifth = rig.Connect();
        if (!fifth->WaitClosed(std::chrono::seconds(10))) {
            state.SkipWithError("the fifth client was not closed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_FifthConnectionRejected)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseManualTime();

// A client that never logs in, with cs_login_timeout 1: from connect() until its
// slot is free again; the time beyond the one second is the server's delay.
void BM_SlotFreedAfterLoginTimeout(benchmark::State& state) {
    ConsoleRig rig("1");
    if (!rig.Ready()) {
        state.SkipWithError("the console did not start");
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        auto client = rig.Connect();
        client->ReadUntil("Username: ");
        if (!client->WaitClosed(std::chrono::seconds(10))) {
            state.SkipWithError("the silent client was not closed");
            return;
        }
        while (rig.Connections() != 0) {
            rig.Pump();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_SlotFreedAfterLoginTimeout)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();

// Four logged-in clients each send 40 000 `help` lines and read nothing; the
// resident memory (MiB) before, at the peak and once the server has dropped them.
void BM_FloodingClientsMemory(benchmark::State& state) {
    ConsoleRig rig;
    if (!rig.Ready()) {
        state.SkipWithError("the console did not start");
        return;
    }
    std::string flood;
    for (int i = 0; i < 40000; ++i) {
        flood += "help\r\n";
    }
    long before = 0;
    long peak = 0;
    long after = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<ConsoleClient>> clients;
        for (int i = 0; i < 4; ++i) {
            clients.push_back(rig.Connect());
            clients.back()->Login("admin", "secret");
        }
        before = ob::test::ResidentKiB();
        peak = before;
        for (auto& client : clients) {
            client->Send(flood);
        }
        while (rig.Connections() != 0) {
            rig.Pump();
            peak = std::max(peak, ob::test::ResidentKiB());
        }
        after = ob::test::ResidentKiB();
    }
    state.counters["rss_before_mib"] = static_cast<double>(before) / 1024;
    state.counters["rss_peak_mib"] = static_cast<double>(peak) / 1024;
    state.counters["rss_after_mib"] = static_cast<double>(after) / 1024;
}
BENCHMARK(BM_FloodingClientsMemory)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
