// Cost of one NextCronTime call from a fixed start (a Friday evening in 2025): a
// common working-hours expression, 29 February, and 29 February on a Monday
// (19 years away, and 28 years from the firing in 2044), and, for comparison, the
// plain minute-by-minute walk on the common one.
//
// Run: build/release/bin/cron_bench
#include "common/cron/next_cron_time.h"
#include "platform/time/ole_date.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using ob::common::CronContext;
using ob::common::CronFields;

const double kStart = ob::datetime::OleDate::FromParts(2025, 1, 3, 17, 31, 12).Value();

CronFields Five(const char* minute, const char* hour, const char* day, const char* month,
                const char* weekday) {
    return {minute, hour, day, month, weekday, nullptr, nullptr, nullptr};
}

void Next(benchmark::State& state, const CronFields& fields) {
    const CronContext context = CronContext::Fresh(kStart);
    for (auto _ : state) {
        auto next = ob::common::NextCronTime(context, fields, kStart);
        benchmark::DoNotOptimize(next);
    }
}

void BM_NextCronTime_WorkingHours(benchmark::State& state) {
    Next(state, Five("0,30", "8-17", "*", "*", "2-6"));
}
BENCHMARK(BM_NextCronTime_WorkingHours);

void BM_NextCronTime_February29(benchmark::State& state) {
    Next(state, Five("0", "0", "29", "2", "*"));
}
BENCHMARK(BM_NextCronTime_February29);

void BM_NextCronTime_February29OnMonday(benchmark::State& state) {
    Next(state, Five("0", "0", "29", "2", "2"));
}
BENCHMARK(BM_NextCronTime_February29OnMonday);

// After a firing on 29 February 2044 (a Monday), from that moment: 2072.
void BM_NextCronTime_February29OnMondayAfterFiring(benchmark::State& state) {
    const CronFields fields = Five("0", "0", "29", "2", "2");
    const double fired = ob::datetime::OleDate::FromParts(2044, 2, 29).Value();
    CronContext context = CronContext::Fresh(fired);
    context.mask = ob::common::CronPresenceMask(fields);
    for (auto _ : state) {
        auto next = ob::common::NextCronTime(context, fields, fired);
        benchmark::DoNotOptimize(next);
    }
}
BENCHMARK(BM_NextCronTime_February29OnMondayAfterFiring);

void BM_NextCronTimeByMinutes_WorkingHours(benchmark::State& state) {
    const CronFields fields = Five("0,30", "8-17", "*", "*", "2-6");
    const CronContext context = CronContext::Fresh(kStart);
    for (auto _ : state) {
        auto next = ob::common::NextCronTimeByMinutes(context, fields, kStart,
                                                      ob::common::kCronSearchMinutes);
        benchmark::DoNotOptimize(next);
    }
}
BENCHMARK(BM_NextCronTimeByMinutes_WorkingHours);

} // namespace

BENCHMARK_MAIN();
