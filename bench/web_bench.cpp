// The web dashboard under load: requests per second of /api/jobs with 10 000 jobs
// queued (each request copies the queue on the engine thread and reads the run
// history), and the scheduler's tick while a client polls /api/jobs ten times a
// second: the largest gap between the lines of a job that prints every second
// (1000 ms means the tick was undisturbed), with and without the polling client.
//
// Run: build/test/bin/web_bench (settings stores go to a temporary folder; the
// dashboard's password check is a stand-in, so no accounts are needed).

#include "test_host.h"
#include "tick_gaps.h"
#include "web/web_server.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ob::test::TestHost;

ob::web::PasswordCheck Admin(const std::string&, const std::string&) {
    return {0, true};
}

// A session with a job "ticker" that prints "tick" every second and `count` - 1
// jobs that first fire a day later; the dashboard on a free loopback port and a
// logged-in client.
class DashboardRig {
public:
    explicit DashboardRig(int count) {
        if (host_.Create("0") != OB_OK) {
            return;
        }
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
        ob::web::DashboardOptions options;
        options.session = host_.Session();
        options.checkPassword = Admin;
        server_ = std::make_unique<ob::web::WebServer>(std::move(options));
        std::string problem;
        if (!server_->Start({"127.0.0.1", 0}, problem)) {
            return;
        }
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->Port());
        client_->set_read_timeout(60, 0);
        const auto login = client_->Post("/login", "username=admin&password=secret",
                                         "application/x-www-form-urlencoded");
        if (!login || login->status != 303) {
            return;
        }
        const std::string cookie = login->get_header_value("Set-Cookie");
        headers_ = {{"Cookie", cookie.substr(0, cookie.find(';'))}};
        ready_ = Get();
    }

    ~DashboardRig() { server_.reset(); }

    bool Ready() const { return ready_; }
    void Enable() { OB_ModifyFlags(host_.Session(), SF_ENABLED, 0); }

    /// GET /api/jobs; false unless it answered 200.
    bool Get() {
        const auto answer = client_->Get("/api/jobs", headers_);
        return answer && answer->status == 200;
    }

    /// Lets the host receive events for `duration` and notes when each "tick" came.
    void Pump(std::chrono::milliseconds duration) {
        host_.PumpFor(duration);
        ticks_.Note(host_.Lines());
    }

    double LargestTickGapMs() const { return ticks_.LargestGapMs(); }
    std::size_t Ticks() const { return ticks_.Count(); }

private:
    TestHost host_;
    ob::test::ScratchDir dir_;
    std::unique_ptr<ob::web::WebServer> server_;
    std::unique_ptr<httplib::Client> client_;
    httplib::Headers headers_;
    bool ready_ = false;
    ob::bench::TickGaps ticks_;
};

// /api/jobs back to back, the scheduler not enabled.
void BM_ApiJobs(benchmark::State& state) {
    DashboardRig rig(static_cast<int>(state.range(0)));
    if (!rig.Ready()) {
        state.SkipWithError("the dashboard did not start");
        return;
    }
    for (auto _ : state) {
        if (!rig.Get()) {
            state.SkipWithError("/api/jobs failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ApiJobs)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(5)->UseRealTime();

// Ten seconds of a job firing every second; with range(1) set, a client polls
// /api/jobs every 100 ms meanwhile (a poll that takes longer is followed at once).
void BM_TickWhilePolled(benchmark::State& state) {
    DashboardRig rig(static_cast<int>(state.range(0)));
    if (!rig.Ready()) {
        state.SkipWithError("the dashboard did not start");
        return;
    }
    const bool polling = state.range(1) != 0;
    rig.Enable();
    std::atomic<bool> stop{false};
    std::atomic<int> polls{0}, failed{0};
    std::thread poller;
    if (polling) {
        poller = std::thread([&] {
            auto next = Clock::now();
            while (!stop) {
                (rig.Get() ? polls : failed)++;
                next += std::chrono::milliseconds(100);
                std::this_thread::sleep_until(std::max(next, Clock::now()));
            }
        });
    }
    for (auto _ : state) {
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < until) {
            rig.Pump(std::chrono::milliseconds(20));
        }
    }
    stop = true;
    if (poller.joinable()) {
        poller.join();
    }
    state.counters["largest_tick_gap_ms"] = rig.LargestTickGapMs();
    state.counters["ticks"] = static_cast<double>(rig.Ticks());
    state.counters["polls"] = polls.load();
    state.counters["failed_polls"] = failed.load();
}
BENCHMARK(BM_TickWhilePolled)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
