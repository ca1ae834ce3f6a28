// Loading job scripts: throughput (jobs and megabytes per second) and resident
// memory per queued job, for a generated file of 100 000 jobs that mixes start,
// stop, cron and action lines.
//
// Run: build/test/bin/load_bench

#include "bench_stores.h"
#include "obrenta/host.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"
#include "platform/registry/registry.h"
#include "support/resident_memory.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using ob::test::ResidentKiB;

constexpr int kJobs = 100'000;

// A job script of kJobs blocks in four shapes.
std::string GenerateScript() {
    const std::string path = ob::bench::PrivateStores() + "/generated.jr";
    std::ofstream out(path);
    for (int i = 0; i < kJobs; ++i) {
        out << "{\n\t-name job_" << i << "\n";
        switch (i % 4) {
        case 0:
            out << "\t-start -inc 0 1 0 0\n\t-action -print hourly %H%:%M%\n";
            break;
        case 1:
            out << "\t-start -cron 0,30 8-17 * * 2-6\n\t-action -spawn -wait /bin/true\n";
            break;
        case 2:
            out << "\t-start -delay 0 0 5 0\n\t-stop -delay 1 0 0 0\n\t-action -set count 1\n";
            break;
        default:
            out << "\t-start 3/14/2030 12:41:29\n\t-skip -week 1 7\n\t-action -log \"a, b\"\n";
            break;
        }
        out << "}\n";
    }
    return path;
}

ob::msg::LRESULT AckProc(ob::msg::Hwnd hwnd, std::uint32_t message, ob::msg::WPARAM w,
                         ob::msg::LPARAM l) {
    if (message == ob::host::EventMessage()) {
        auto* event = reinterpret_cast<EngineEvent*>(l);
        OB_AckMessage(event->session, event);
        return 0;
    }
    return ob::msg::DefWindowProc(hwnd, message, w, l);
}

void Pump() {
    ob::msg::Message m;
    while (ob::msg::PeekMessage(m, 0, 0, ob::msg::PM_REMOVE)) {
        ob::msg::DispatchMessage(m);
    }
}

void BM_LoadGeneratedScript(benchmark::State& state) {
    const std::string path = GenerateScript();
    const double megabytes =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    ob::msg::RegisterClass("ObrentaLoadBench", AckProc);
    const ob::msg::Hwnd window = ob::msg::CreateWindow("ObrentaLoadBench", "load bench");
    double kibPerJob = -1;
    for (auto _ : state) {
        state.PauseTiming();
        OB_SESSION session = nullptr;
        if (OB_CreateSession(&session, window, 1) != OB_OK) {
            state.SkipWithError("session did not start");
            return;
        }
        Pump();
        const long before = ResidentKiB();
        state.ResumeTiming();
        if (OB_LoadCronScript(session, path.c_str()) != OB_OK) {
            state.SkipWithError("load failed");
        }
        state.PauseTiming();
        Pump();
        // Freed memory stays resident for later rounds: the first load measures.
        if (kibPerJob < 0) {
            kibPerJob = static_cast<double>(ResidentKiB() - before) / kJobs;
        }
        OB_DestroySession(&session);
        Pump();
        state.ResumeTiming();
    }
    state.counters["jobs/s"] =
        benchmark::Counter(static_cast<double>(kJobs) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["MB/s"] = benchmark::Counter(megabytes * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
    state.counters["KiB/job"] = kibPerJob;
}
BENCHMARK(BM_LoadGeneratedScript)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
