// Script statements as jobs run them: the time of one statement of a job whose
// file has a 300-line VBScript part, through the whole cycle (reset the control,
// expand and add the job's text, build, expand and add the statement's program
// with the script library, create the runtime object from the registered
// automation library, run "lpc", store JR.COMMAND_RETURN); and the time of
// CreateObject("OBCoreLib.Runtime") once the library is loaded.
//
// The benchmarks run on a thread of their own, as statements run on the engine's
// thread: on the main thread the C library finds the stack's bounds, which the
// interpreter asks for at every call, by reading /proc/self/maps.
//
// Run: build/test/bin/script_bridge_bench (the goal per statement is at most 1 ms).

#include "support/automation_library.h"

#include "engine/actions/statement_executor.h"
#include "engine/jobs/session_jobs.h"
#include "engine/loading/job_loader.h"
#include "engine/session/engine_session.h"
#include "engine/session/relay_window.h"
#include "engine/session/session_registry.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"
#include "vbscript/class_registry.h"
#include "vbscript/script_control.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// A folder of settings stores with the automation library registered in them.
std::string PreparedStores() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/obbench-script.XXXXXX";
        const std::string made = ::mkdtemp(pattern);
        std::filesystem::create_directories(made + "/machine");
        std::filesystem::create_directories(made + "/user");
        ob::env::Set("OBRENTA_MACHINE_DIR", made + "/machine");
        ob::env::Set("OBRENTA_USER_DIR", made + "/user");
        ob::env::Set("JR.OUTPUT_LEVEL", "0");
        ob::registry::ResetConnections();
        if (ob::test::RegisterAutomationLibrary(OB_CORELIB_PATH) != 0) {
            std::abort();
        }
        return made;
    }();
    return dir;
}

// 300 lines of VBScript: 30 functions of 10 lines in the shapes job files hold.
std::string ScriptPart() {
    std::string text;
    for (int f = 0; f < 30; ++f) {
        const std::string n = std::to_string(f);
        text += "Function Step" + n + "(a)\n";
        text += "    Dim i, s\n";
        text += "    s = \"value \" & a\n";
        text += "    For i = 1 To 3\n";
        text += "        s = s & \",\" & (i * " + n + ")\n";
        text += "    Next\n";
        text += "    If Len(s) > 40 Then s = Left(s, 40)\n";
        text += "    ' keep the text short\n";
        text += "    Step" + n + " = Len(s) + a\n";
        text += "End Function\n";
    }
    return text;
}

void BM_ScriptStatementOf300LineScript(benchmark::State& state) {
    const std::string dir = PreparedStores();
    auto session = std::make_shared<ob::engine::EngineSession>();
    ob::engine::RegisterSession(session);
    if (ob::engine::CreateRelayWindow(*session) == 0) {
        state.SkipWithError("no relay window");
        return;
    }
    session->script = ob::vbscript::CreateScriptControl("VBScript");
    const std::string path = dir + "/bench.jr";
    std::ofstream(path) << ScriptPart() << "{\n-name main\n-action Step7(5)\n}\n";
    if (!ob::engine::LoadJobScript(*session, path.c_str(), 0)) {
        state.SkipWithError("the job script did not load");
        return;
    }
    ob::engine::Job* job = ob::engine::FindJobByName(*session, "main");
    for (auto _ : state) {
        benchmark::DoNotOptimize(ob::engine::RunJobInPlace(*session, nullptr, *job));
    }
    if (ob::env::Get("JR.COMMAND_RETURN") != "20") {
        state.SkipWithError("the statement did not give its value");
    }
    state.counters["script_lines"] = 300;
    session->script.reset();
    ob::engine::DestroyRelayWindow(*session);
    ob::engine::UnregisterSession(ob::engine::HandleOf(*session));
}
BENCHMARK(BM_ScriptStatementOf300LineScript)->Unit(benchmark::kMicrosecond);

void BM_CreateRuntimeObject(benchmark::State& state) {
    PreparedStores();
    ob::vbscript::CreateObjectByProgId("OBCoreLib.Runtime"); // loads the library
    for (auto _ : state) {
        benchmark::DoNotOptimize(ob::vbscript::CreateObjectByProgId("OBCoreLib.Runtime"));
    }
}
BENCHMARK(BM_CreateRuntimeObject)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::thread runner([] { benchmark::RunSpecifiedBenchmarks(); });
    runner.join();
    benchmark::Shutdown();
    return 0;
}
