// Session benchmarks: events per second to an acknowledging host, variable
// operations per second, and session start-up time.
//
// Run: build/test/bin/session_bench (settings stores go to a temporary folder).

#include "bench_stores.h"
#include "obrenta/host.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"
#include "platform/registry/registry.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> acknowledged{0};
OB_SESSION current = nullptr;

ob::msg::LRESULT HostProc(ob::msg::Hwnd hwnd, std::uint32_t message, ob::msg::WPARAM w,
                          ob::msg::LPARAM l) {
    if (message == ob::host::EventMessage()) {
        OB_AckMessage(current, reinterpret_cast<EngineEvent*>(l));
        acknowledged.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    return ob::msg::DefWindowProc(hwnd, message, w, l);
}

ob::msg::Hwnd HostWindow() {
    static const ob::msg::Hwnd window = [] {
        ob::msg::RegisterClass("ObrentaBenchHost", HostProc);
        return ob::msg::CreateWindow("ObrentaBenchHost", "bench host");
    }();
    return window;
}

void Pump() {
    ob::msg::Message m;
    while (ob::msg::PeekMessage(m, 0, 0, ob::msg::PM_REMOVE)) {
        ob::msg::DispatchMessage(m);
    }
}

void BM_SessionStartup(benchmark::State& state) {
    ob::bench::PrivateStores();
    for (auto _ : state) {
        OB_SESSION session = nullptr;
        if (OB_CreateSession(&session, HostWindow(), 1) != OB_OK) {
            state.SkipWithError("session did not start");
        }
        state.PauseTiming();
        current = session;
        Pump();
        OB_DestroySession(&session);
        Pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SessionStartup)->Unit(benchmark::kMillisecond)->Iterations(20);

// A script thread posts OB_PRINT to the relay; the engine thread turns each into
// two events (text and end of line) for this (host) thread, which acknowledges each.
// The flow control of the engine thread is in force: it waits while 204 events are
// pending.
void BM_EventsToHost(benchmark::State& state) {
    ob::bench::PrivateStores();
    OB_SESSION session = nullptr;
    if (OB_CreateSession(&session, HostWindow(), 1) != OB_OK) {
        state.SkipWithError("session did not start");
        return;
    }
    current = session;
    Pump();
    char title[32];
    std::snprintf(title, sizeof title, "%X:Relay", static_cast<unsigned>(::getpid()));
    const ob::msg::Hwnd relay = ob::msg::FindWindow("STATIC", title);
    const std::uint32_t print = ob::msg::RegisterWindowMessage("OB_PRINT");
    const std::int64_t lines = state.range(0);
    for (auto _ : state) {
        const std::uint64_t target = acknowledged.load() + 2 * static_cast<std::uint64_t>(lines);
        std::thread script([&] {
            for (std::int64_t i = 0; i < lines; ++i) {
                while (!ob::msg::PostMessage(relay, print,
                                             reinterpret_cast<ob::msg::WPARAM>(session),
                                             reinterpret_cast<ob::msg::LPARAM>("benchmark line"))) {
                    std::this_thread::yield(); // the engine's queue is full
                }
            }
        });
        while (acknowledged.load() < target) {
            ob::msg::Message m;
            if (ob::msg::GetMessageTimeout(m, 100) > 0) {
                ob::msg::DispatchMessage(m);
            }
        }
        script.join();
    }
    state.SetItemsProcessed(state.iterations() * 2 * lines);
    OB_DestroySession(&session);
    Pump();
}
BENCHMARK(BM_EventsToHost)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PutEnv(benchmark::State& state) {
    ob::bench::PrivateStores();
    const auto mode = static_cast<std::uint32_t>(state.range(0));
    std::uint64_t i = 0;
    for (auto _ : state) {
        const std::string value = std::to_string(++i);
        benchmark::DoNotOptimize(OB_PutEnv("Bench", "OBBENCH_VALUE", value.c_str(), mode));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PutEnv)->Arg(1)->Arg(2);

void BM_GetEnv(benchmark::State& state) {
    ob::bench::PrivateStores();
    const auto mode = static_cast<std::uint32_t>(state.range(0));
    OB_PutEnv("Bench", "OBBENCH_READ", "some value", ENV_PERSISTENT);
    if (state.range(1) != 0) {
        ob::env::Remove("OBBENCH_READ"); // every mode-2 read goes to the store
    }
    for (auto _ : state) {
        char* value = OB_GetEnv("Bench", "OBBENCH_READ", mode);
        benchmark::DoNotOptimize(value);
        OB_ReleaseEnvString(value);
        if (state.range(1) != 0) {
            ob::env::Remove("OBBENCH_READ");
        }
    }
    state.SetItemsProcessed(state.iterations());
}
// {mode, read from the store every time}
BENCHMARK(BM_GetEnv)->Args({1, 0})->Args({2, 0})->Args({6, 0});

} // namespace

BENCHMARK_MAIN();
