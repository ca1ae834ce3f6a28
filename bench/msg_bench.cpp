// Costs of the message layer: posting and retrieving on one thread, a send to a
// window of another thread (two thread switches), and a registered-message look-up.
#include "platform/msg/event.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/thread.h"
#include "platform/msg/window.h"

#include <benchmark/benchmark.h>

namespace {

using namespace ob::msg;

void BM_PostAndGetOnOneThread(benchmark::State& state) {
    const ThreadId self = GetCurrentThreadId();
    EnsureQueue();
    Message m;
    for (auto _ : state) {
        PostThreadMessage(self, WM_USER, 1, 2);
        GetMessage(m);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_PostAndGetOnOneThread);

LRESULT EchoProc(Hwnd, std::uint32_t, WPARAM wParam, LPARAM) {
    return static_cast<LRESULT>(wParam);
}

void BM_SendToAnotherThread(benchmark::State& state) {
    RegisterClass("ObBenchEcho", &EchoProc);
    Event made(Event::Reset::Manual);
    Hwnd hwnd = 0;
    Thread owner(
        [&] {
            hwnd = CreateWindow("ObBenchEcho", "echo");
            made.Set();
            Message m;
            while (GetMessage(m) > 0) {
                DispatchMessage(m);
            }
            return 0u;
        },
        false);
    made.Wait(kInfinite);
    WPARAM n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessage(hwnd, WM_USER, ++n, 0));
    }
    PostThreadMessage(owner.Id(), WM_QUIT, 0, 0);
    owner.JoinFor(kInfinite);
}
BENCHMARK(BM_SendToAnotherThread)->UseRealTime();

void BM_RegisterKnownMessage(benchmark::State& state) {
    RegisterWindowMessage("WM_OBRENTA_EVENT");
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegisterWindowMessage("WM_OBRENTA_EVENT"));
    }
}
BENCHMARK(BM_RegisterKnownMessage);

} // namespace

BENCHMARK_MAIN();
