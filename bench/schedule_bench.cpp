// The schedule preview and the run history at scale:
// - BM_Preview100TimesOf10000Jobs: the next 100 times of each of 10 000 jobs in
//   five shapes (hourly increments, half-hourly cron, weekday cron, a daily time
//   with skip days, a window-suspended hourly job);
// - BM_HistoryAppend/N: writing N runs in one transaction to history.db (the
//   cost per run is the time divided by N);
// - BM_TickRecording/R: one scheduler tick that runs 10 000 jobs, with (R=1) and
//   without (R=0) the run history recording them; the difference is the tick's
//   delay for recording 10 000 runs; "dropped" counts runs the writer could not
//   take (its queue holds 10 000).
//
// Run: build/test/bin/schedule_bench

#include "engine/history/run_history.h"
#include "engine/loading/job_loader.h"
#include "engine/scheduling/next_run.h"
#include "engine/scheduling/scheduler.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "history/history_database.h"
#include "obrenta/host.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/registry/registry.h"
#include "platform/time/clock.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using ob::engine::EngineSession;

constexpr int kJobs = 10'000;

std::string ScratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/obbench-schedule.XXXXXX";
        const std::string made = ::mkdtemp(pattern);
        std::filesystem::create_directories(made + "/machine");
        std::filesystem::create_directories(made + "/user");
        ob::env::Set("OBRENTA_MACHINE_DIR", made + "/machine");
        ob::env::Set("OBRENTA_USER_DIR", made + "/user");
        // Trigger lines muted: 10 000 of them a tick would fill the host's queue.
        ob::env::Set("JR.OUTPUT_LEVEL", "20");
        ob::registry::ResetConnections();
        return made;
    }();
    return dir;
}

// The test clock: Monday 4 March 2024, 10:00:00 UTC, moved by the benchmarks.
std::atomic<std::time_t> benchNow{1709546400};

void UseBenchClock() {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ob::clock::SetTestClock([] { return std::chrono::system_clock::from_time_t(benchNow.load()); });
}

// A session without an engine thread whose host window lives on this thread; the
// events it posts are handed back by Drain.
struct BenchSession {
    BenchSession() {
        ScratchDir();
        UseBenchClock();
        ob::msg::RegisterClass("ScheduleBenchHost", ob::msg::DefWindowProc);
        window = ob::msg::CreateWindow("ScheduleBenchHost", "schedule bench");
        session = std::make_unique<EngineSession>();
        session->hostWindow = window;
        session->creatorThreadId = ob::msg::GetCurrentThreadId();
        session->flags.store(SF_ENABLED);
    }
    ~BenchSession() {
        session.reset();
        Drain();
        ob::msg::DestroyWindow(window);
    }
    void Load(const std::string& text) {
        const std::string path = ScratchDir() + "/jobs.jr";
        std::ofstream(path) << text;
        ob::engine::LoadJobScript(*session, path.c_str(), 0);
        Drain();
    }
    static void Drain() {
        ob::msg::Message m;
        while (ob::msg::PeekMessage(m, 0, 0, ob::msg::PM_REMOVE)) {
            if (m.message == ob::host::EventMessage()) {
                ob::engine::ReleaseEvent(reinterpret_cast<EngineEvent*>(m.lParam));
            }
        }
    }

    ob::msg::Hwnd window = 0;
    std::unique_ptr<EngineSession> session;
};

std::string MixedJobs() {
    std::string text;
    for (int i = 0; i < kJobs; ++i) {
        text += "{\n-name job" + std::to_string(i) + "\n";
        switch (i % 5) {
        case 0:
            text += "-start -inc 0 1 0 0\n";
            break;
        case 1:
            text += "-start -cron 0,30 * * * *\n";
            break;
        case 2:
            text += "-start -cron 0 9 * * 2-6\n";
            break;
        case 3:
            text += "-start -time 06:15 -inc 1 0 0 0\n-skip -week 1 7\n";
            break;
        default:
            text += "-start -inc 0 1 0 0\n-suspend -time 12:30\n-resume -time 14:30\n";
            break;
        }
        text += "-action -print run\n}\n";
    }
    return text;
}

void BM_Preview100TimesOf10000Jobs(benchmark::State& state) {
    BenchSession bench;
    bench.Load(MixedJobs());
    ob::engine::PreviewOptions options;
    options.from = ob::datetime::OleDate::Now();
    options.count = 100;
    std::size_t times = 0;
    for (auto _ : state) {
        const auto previews = ob::engine::PreviewQueue(*bench.session, options);
        times = 0;
        for (const auto& preview : previews) {
            times += preview.times.size();
        }
        benchmark::DoNotOptimize(times);
    }
    state.counters["jobs"] = static_cast<double>(kJobs);
    state.counters["times"] = static_cast<double>(times);
    state.counters["per_job_us"] = benchmark::Counter(
        static_cast<double>(kJobs),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Preview100TimesOf10000Jobs)->Unit(benchmark::kMillisecond)->Iterations(3);

ob::history::RunRecord SampleRun(int n) {
    ob::history::RunRecord run;
    run.job = "job" + std::to_string(n % 1000);
    run.file = "/etc/obrenta/jobs.jr";
    run.startMs = 1709546400000 + n;
    run.endMs = run.startMs + 12;
    run.control = "continue";
    run.outputLines = 2;
    return run;
}

void BM_HistoryAppend(benchmark::State& state) {
    ScratchDir();
    const std::string path = ScratchDir() + "/append.db";
    std::filesystem::remove(path);
    ob::history::HistoryDatabase database;
    std::string note;
    database.Open(path, note);
    const int batch = static_cast<int>(state.range(0));
    int n = 0;
    for (auto _ : state) {
        std::vector<ob::history::RunRecord> runs;
        for (int i = 0; i < batch; ++i) {
            runs.push_back(SampleRun(n++));
        }
        if (!database.Append(runs, note)) {
            state.SkipWithError(note.c_str());
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * batch);
}
BENCHMARK(BM_HistoryAppend)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_TickRecording(benchmark::State& state) {
    BenchSession bench;
    std::string text;
    for (int i = 0; i < kJobs; ++i) {
        text += "{\n-name busy" + std::to_string(i) + "\n-start -inc 0 0 0 1\n}\n";
    }
    bench.Load(text);
    const bool recording = state.range(0) != 0;
    if (recording) {
        const std::string path = ScratchDir() + "/tick.db";
        std::filesystem::remove(path);
        ob::engine::EnableHistory(*bench.session, path);
    }
    for (auto _ : state) {
        benchNow += 1;
        ob::engine::Tick(*bench.session);
        state.PauseTiming();
        BenchSession::Drain();
        if (recording) {
            // Let the writer catch up between ticks, as it has a second in real life.
            bench.session->history.load()->Writer().Flush();
        }
        state.ResumeTiming();
    }
    if (recording) {
        std::size_t dropped = 0;
        for (const std::string& problem : bench.session->history.load()->TakeProblems()) {
            if (problem.find("fell behind") != std::string::npos) {
                dropped += std::stoul(problem);
            }
        }
        state.counters["dropped"] = static_cast<double>(dropped);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kJobs);
}
BENCHMARK(BM_TickRecording)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
