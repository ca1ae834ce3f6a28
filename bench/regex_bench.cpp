// Regular expressions on job names: compile and match throughput of our engine
// against std::regex (ECMAScript) on the same patterns and names.
//
// Run: build/test/bin/regex_bench

#include "common/regex/regex_program.h"

#include <benchmark/benchmark.h>

#include <regex>
#include <string>
#include <vector>

namespace {

// Patterns of the kind `kill`, `list` and -kill use on job names.
const std::vector<std::string> kPatterns = {
    "backup",      "^JOB:2", "nightly_.*",        "(daily|weekly)_report",
    "job_[0-9]+$", "^ij_",   "[a-z]+_[0-9][0-9]",
};

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        switch (i % 5) {
        case 0:
            names.push_back("JOB:" + std::to_string(516 + i));
            break;
        case 1:
            names.push_back("nightly_backup_" + std::to_string(i));
            break;
        case 2:
            names.push_back("daily_report");
            break;
        case 3:
            names.push_back("ij_refresh");
            break;
        default:
            names.push_back("job_" + std::to_string(i));
            break;
        }
    }
    return names;
}

void BM_CompileOurs(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& p : kPatterns) {
            benchmark::DoNotOptimize(ob::common::CompileRegex(p));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPatterns.size()));
}
BENCHMARK(BM_CompileOurs);

void BM_CompileStd(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& p : kPatterns) {
            benchmark::DoNotOptimize(std::regex(p, std::regex::ECMAScript));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kPatterns.size()));
}
BENCHMARK(BM_CompileStd);

void BM_MatchOurs(benchmark::State& state) {
    const auto names = Names();
    std::vector<std::unique_ptr<ob::common::RegexProgram>> programs;
    for (const std::string& p : kPatterns) {
        programs.push_back(ob::common::CompileRegex(p));
    }
    std::int64_t matches = 0;
    for (auto _ : state) {
        for (auto& program : programs) {
            for (const std::string& name : names) {
                matches += ob::common::MatchRegex(program.get(), name);
            }
        }
    }
    benchmark::DoNotOptimize(matches);
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(programs.size() * names.size()));
}
BENCHMARK(BM_MatchOurs);

void BM_MatchStd(benchmark::State& state) {
    const auto names = Names();
    std::vector<std::regex> programs;
    for (const std::string& p : kPatterns) {
        programs.emplace_back(p, std::regex::ECMAScript);
    }
    std::int64_t matches = 0;
    for (auto _ : state) {
        for (const auto& program : programs) {
            for (const std::string& name : names) {
                matches += std::regex_search(name, program) ? 1 : 0;
            }
        }
    }
    benchmark::DoNotOptimize(matches);
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(programs.size() * names.size()));
}
BENCHMARK(BM_MatchStd);

} // namespace

BENCHMARK_MAIN();
