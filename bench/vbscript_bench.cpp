// The VBScript interpreter: how fast it compiles, how fast it runs loops of
// arithmetic and of text concatenation, and what one script statement of a job
// costs (reset, add the job's script text, add the statement's program with the
// script library, run the statement's function). python3 runs the integer loop
// in the same run as a reference.
//
// Run: build/release/bin/vbscript_bench (a Release build).

#include "vbscript/vbscript_control.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

// A script of `procedures` functions of 10 lines each, in the shapes users write:
// locals, If/ElseIf, loops, text and arithmetic.
std::string GeneratedScript(int procedures) {
    std::string text = "Option Explicit\nDim total, names(10)\n";
    for (int p = 0; p < procedures; ++p) {
        const std::string n = std::to_string(p);
        text += "Function Work" + n + "(a, b)\n";
        text += "    Dim i, s\n";
        text += "    s = \"item \" & a & \": \" & UCase(Left(b, 3))\n";
        text += "    For i = 1 To a Step 2\n";
        text +=
            "        If i Mod 3 = 0 Then s = s & \",\" & i Else total = total + i * " + n + "\n";
        text += "    Next\n";
        text += "    Select Case a\n";
        text += "        Case 1, 2: Work" + n + " = Len(s) + InStr(s, \"x\")\n";
        text += "        Case Else: Work" + n + " = Replace(s, \"item\", \"job\") ' done\n";
        text += "    End Select\nEnd Function\n";
    }
    return text;
}

int LineCount(const std::string& text) {
    int lines = 0;
    for (const char c : text) {
        lines += c == '\n';
    }
    return lines;
}

void Require(bool ok, const VBScriptControl& control, benchmark::State& state) {
    if (!ok) {
        state.SkipWithError(("script failed: " + control.Error().description).c_str());
    }
}

void BM_Compile2000Lines(benchmark::State& state) {
    const std::string script = GeneratedScript(182); // 2004 lines
    VBScriptControl control;
    std::uint64_t round = 0;
    for (auto _ : state) {
        // A text never seen before, so that it is parsed rather than found among the
        // recently compiled ones.
        state.PauseTiming();
        const std::string text = script + "' round " + std::to_string(++round) + "\n";
        state.ResumeTiming();
        control.Reset();
        Require(control.AddCode(text), control, state);
    }
    state.SetItemsProcessed(state.iterations() * LineCount(script));
    state.counters["lines"] = LineCount(script);
}
BENCHMARK(BM_Compile2000Lines)->Unit(benchmark::kMillisecond);

void RunFunction(benchmark::State& state, const std::string& code, const char* name) {
    VBScriptControl control;
    Require(control.AddCode(code), control, state);
    for (auto _ : state) {
        Variant result;
        Require(control.Run(name, {}, result), control, state);
        benchmark::DoNotOptimize(result);
    }
}

void BM_TenMillionAdditions(benchmark::State& state) {
    RunFunction(state,
                "Function Sum()\n"
                "    Dim i, x\n"
                "    x = 0\n"
                "    For i = 1 To 10000000\n"
                "        x = x + 1\n"
                "    Next\n"
                "    Sum = x\n"
                "End Function\n",
                "Sum");
}
BENCHMARK(BM_TenMillionAdditions)->Unit(benchmark::kMillisecond)->Iterations(3);

// The reference for BM_TenMillionAdditions: python3 running the same loop in a
// function (so with local variables, as the script's Function has). The time is
// what python3 measures around the loop, without its start-up; the counter
// cpu_ms is its processor time.
void BM_Python3TenMillionAdditions(benchmark::State& state) {
    const char* const command = "/usr/bin/python3 -c '\n"
                                "import time\n"
                                "def f():\n"
                                "    x = 0\n"
                                "    for i in range(1, 10000001):\n"
                                "        x = x + 1\n"
                                "    return x\n"
                                "wall = time.perf_counter()\n"
                                "cpu = time.process_time()\n"
                                "f()\n"
                                "print(time.perf_counter() - wall, time.process_time() - cpu)\n"
                                "' 2>/dev/null";
    double cpuSeconds = 0;
    for (auto _ : state) {
        FILE* pipe = ::popen(command, "r");
        double wall = 0;
        double cpu = 0;
        const int read = pipe ? std::fscanf(pipe, "%lf %lf", &wall, &cpu) : 0;
        if (pipe) {
            ::pclose(pipe);
        }
        if (read != 2) {
            state.SkipWithError("/usr/bin/python3 did not run the loop");
            return;
        }
        state.SetIterationTime(wall);
        cpuSeconds += cpu;
    }
    state.counters["cpu_ms"] = 1000 * cpuSeconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Python3TenMillionAdditions)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();

void BM_OneMillionConcatenations(benchmark::State& state) {
    RunFunction(state,
                "Function Build()\n"
                "    Dim i, s\n"
                "    For i = 1 To 1000000\n"
                "        s = s & \"x\"\n"
                "    Next\n"
                "    Build = Len(s)\n"
                "End Function\n",
                "Build");
}
BENCHMARK(BM_OneMillionConcatenations)->Unit(benchmark::kMillisecond)->Iterations(3);

// A script library of the size and shape the engine appends to every statement:
// groups of constants, then about forty one-line wrapper functions around the
// runtime object's methods.
std::string ScriptLibrary() {
    std::string text = "' Script library\n' Loaded silently before each statement.\n";
    for (int g = 0; g < 6; ++g) {
        text += "' Flags group " + std::to_string(g) + "\n";
        for (int c = 0; c < 6; ++c) {
            text += "Public Const FLAG_" + std::to_string(g) + "_" + std::to_string(c) + " = &H" +
                    std::to_string(1 << c) + "\n";
        }
    }
    text += "' Helper functions\n";
    for (int f = 0; f < 42; ++f) {
        const std::string n = "Helper" + std::to_string(f);
        text += "Function " + n + "(flags, name, value)\n    " + n + " = OBCtrl." + n +
                "(flags, name, value)\nEnd Function\n";
    }
    return text;
}

// The program the engine adds for one statement: a function wrapping it.
const char* const kStatementProgram = "  Dim OBCtrl\n"
                                      "\n"
                                      "Function lpc()\n"
                                      "  rx1 = 0\n"
                                      "  rx2 = 0\n"
                                      "  rx0 = Work7(3, \"backup\")\n"
                                      "  lpc = rx0\n"
                                      "  'Call Print(rx0 & rx1 & rx2)\n"
                                      "  Set OBCtrl = Nothing\n"
                                      "End Function\n";

// state.range(0): 1 = the same control for every statement (the bridge's case: the
// texts are found among the recently compiled ones); 0 = a new control each time
// (everything is parsed).
void BM_ScriptStatement(benchmark::State& state) {
    const std::string jobScript = GeneratedScript(27); // 299 lines
    const std::string program = std::string(kStatementProgram) + "\n" + ScriptLibrary();
    auto control = std::make_unique<VBScriptControl>();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            control = std::make_unique<VBScriptControl>();
        }
        control->Reset();
        Require(control->AddCode(jobScript), *control, state);
        Require(control->AddCode(program), *control, state);
        Variant result;
        Require(control->Run("lpc", {}, result), *control, state);
        benchmark::DoNotOptimize(result);
    }
    state.counters["job_lines"] = LineCount(jobScript);
    state.counters["library_lines"] = LineCount(ScriptLibrary());
}
BENCHMARK(BM_ScriptStatement)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
