// The fast search against the plain minute-by-minute walk on random expressions,
// start times and states: the answers must be the very same doubles.
#include "common/cron/next_cron_time.h"

#include "cron_test_support.h"
#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ob::common::CronContext;
using ob::common::CronFields;
using ob::test::At;
using ob::test::kMinute;
using ob::test::kSecond;

constexpr long kTwoMonths = 61L * 1440L;
constexpr long kTwoYears = 731L * 1440L;

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    double Real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }

    // A field for values low..high: mostly well formed, sometimes absent, out of
    // range or malformed. Wide fields (wildcards, long ranges) are likelier for the
    // coarse positions so that most expressions fire within weeks.
    std::string Field(int low, int high, int wildcardPercent) {
        const int kind = Int(0, 99);
        if (kind < 6) {
            return "_";
        }
        if (kind < 6 + wildcardPercent) {
            return Int(0, 4) == 0 ? "*/5" : "*";
        }
        const int shape = Int(0, 19);
        if (shape < 5) {
            return std::to_string(Value(low, high));
        }
        if (shape < 10) {
            std::string list = std::to_string(Value(low, high));
            for (int n = Int(1, 4); n > 0; --n) {
                list += "," + std::to_string(Value(low, high));
            }
            return list;
        }
        if (shape < 16) {
            int a = Value(low, high);
            int b = Value(low, high);
            if (a > b && Int(0, 5) != 0) {
                std::swap(a, b);
            }
            std::string range = std::to_string(a) + "-" + std::to_string(b);
            if (Int(0, 2) == 0) {
                range += "," + std::to_string(Value(low, high));
            }
            return range;
        }
        const std::string n = std::to_string(Value(low, high));
        const std::string m = std::to_string(Value(low, high));
        const std::string malformed[] = {n + ",", n + ",," + m, n + ";" + m,          n + "-",
                                         n + "*", "x" + n,      n + "-" + m + "-" + n};
        return malformed[Int(0, 6)];
    }

    std::vector<std::string> Expression() {
        return {Field(0, 59, 25), Field(0, 23, 35), Field(1, 31, 65), Field(1, 12, 65),
                Field(1, 7, 55)};
    }

    double Start() {
        const int kind = Int(0, 99);
        // Seconds of the start: whole, fractional, or right on a rounding edge.
        const double seconds = kind % 3 == 0   ? Int(0, 59)
                               : kind % 3 == 1 ? Real(0, 60)
                                               : Int(0, 59) + 0.5;
        if (kind < 75) {
            return At(Int(1990, 2110), Int(1, 12), Int(1, 28), Int(0, 23), Int(0, 59)) +
                   seconds * kSecond;
        }
        if (kind < 85) {
            // Below zero: whole and half days (whose candidates reach 0.0 exactly) too.
            return Int(0, 1) == 0 ? -Int(1, 6) * 0.25 : Real(-3, 0);
        }
        if (kind < 92) {
            return At(9999, 12, Int(1, 31), Int(0, 23), Int(0, 59)) + seconds * kSecond;
        }
        if (kind < 96) {
            return At(Int(1, 2) == 1 ? 2024 : 2100, 2, 28, 23, Int(0, 59)) + seconds * kSecond;
        }
        return -657435.0 - Real(0, 20);
    }

    CronContext State(double from, const CronFields& fields) {
        const int kind = Int(0, 9);
        if (kind < 4) {
            return CronContext::Fresh(from);
        }
        // The state of a firing: at the start, or somewhere near it.
        const double moment = kind < 7 ? from : from + Real(-2, 2);
        CronContext state = CronContext::Fresh(moment);
        state.mask = kind == 9 ? static_cast<std::uint32_t>(Int(0, 255))
                               : ob::common::CronPresenceMask(fields);
        return state;
    }

private:
    int Value(int low, int high) {
        return Int(0, 15) == 0 ? Int(0, high + 5) : Int(low, high); // now and then out of range
    }

    std::mt19937 rng_;
};

std::string Describe(const std::vector<std::string>& expr, double from, const CronContext& s) {
    std::ostringstream out;
    out.precision(17);
    for (const std::string& f : expr) {
        out << f << ' ';
    }
    out << "from " << from << " state mask " << s.mask << " parts " << s.year << '-' << s.month
        << '-' << s.day << ' ' << s.hour << ':' << s.minute << ':' << s.second << " dow "
        << s.dayOfWeek << " doy " << s.dayOfYear;
    return out.str();
}

class NextCronTimeRandomTest : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(scratch_);
        ob::env::Remove("RS.LastError");
    }
    void TearDown() override { ob::env::Remove("RS.LastError"); }

    // Both searches from one state; they must agree on the answer and on whether
    // they reported the parameter error. Returns the answer.
    std::optional<double> Compare(const std::vector<std::string>& expr, const CronContext& state,
                                  double from, long minutes) {
        CronFields fields{};
        for (std::size_t i = 0; i < expr.size(); ++i) {
            fields[i] = expr[i].c_str();
        }
        ob::env::Remove("RS.LastError");
        const auto plain = ob::common::NextCronTimeByMinutes(state, fields, from, minutes);
        const bool plainError = ob::env::Get("RS.LastError").has_value();
        ob::env::Remove("RS.LastError");
        const auto fast = ob::common::NextCronTimeWithin(state, fields, from, minutes);
        const bool fastError = ob::env::Get("RS.LastError").has_value();
        EXPECT_EQ(fast.has_value(), plain.has_value()) << Describe(expr, from, state);
        if (fast && plain) {
            EXPECT_EQ(*fast, *plain) << Describe(expr, from, state);
        }
        EXPECT_EQ(fastError, plainError) << Describe(expr, from, state);
        // The unbounded search finds the same or, when the walk found nothing,
        // something beyond the walk's reach.
        const auto full = ob::common::NextCronTime(state, fields, from);
        if (plain) {
            EXPECT_EQ(full, plain) << Describe(expr, from, state);
        } else if (full) {
            EXPECT_GE(*full, ob::common::CronCandidate(from, minutes))
                << Describe(expr, from, state);
        }
        ++compared_;
        found_ += plain.has_value() ? 1 : 0;
        return plain;
    }

    ob::test::ScratchDir scratch_;
    int compared_ = 0;
    int found_ = 0;
};

TEST_P(NextCronTimeRandomTest, FastSearchEqualsThePlainWalk) {
    Generator gen(GetParam());
    for (int round = 0; round < 60; ++round) {
        const std::vector<std::string> expr = gen.Expression();
        CronFields fields{};
        for (std::size_t i = 0; i < expr.size(); ++i) {
            fields[i] = expr[i].c_str();
        }
        const double from = gen.Start();
        CronContext state = gen.State(from, fields);
        const long minutes = round % 10 == 0 ? kTwoYears : kTwoMonths;
        auto next = Compare(expr, state, from, minutes);
        // Go on like the engine: fire there, then search again from that moment.
        for (int again = 0; again < 3 && next; ++again) {
            state.time = *next;
            ASSERT_EQ(ob::common::CronEvaluator(state, fields), 1) << Describe(expr, from, state);
            const double at = *next + (gen.Int(0, 2) == 0 ? gen.Real(0, 3) * kMinute : 0.0);
            next = Compare(expr, state, at, kTwoMonths);
        }
        if (HasFailure()) {
            break;
        }
    }
    // The generator must give the comparison something to find most of the time.
    EXPECT_GT(found_, compared_ / 2) << found_ << " of " << compared_;
}

INSTANTIATE_TEST_SUITE_P(Seeds, NextCronTimeRandomTest, ::testing::Range(1u, 9u));

} // namespace
