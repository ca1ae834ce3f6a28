// Test support for the expansion tests: a fixed local time (zone and clock), private
// settings stores, and environment variables that are removed again afterwards.
#pragma once

#include "support/scratch.h"

#include "platform/env/environment.h"
#include "platform/time/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ob::test {

/// Seconds since the epoch of a UTC calendar moment.
inline std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return ::timegm(&tm);
}

class ExpansionTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseScratchStores(scratch_);
        UseZone("UTC");
        SetTime(Utc(2007, 3, 5, 8, 4, 9)); // a Monday
    }
    void TearDown() override {
        ob::clock::SetTestClock(nullptr);
        for (auto it = variables_.rbegin(); it != variables_.rend(); ++it) {
            if (it->second) {
                ob::env::Set(it->first, *it->second);
            } else {
                ob::env::Remove(it->first);
            }
        }
        if (previousZone_) {
            ::setenv("TZ", previousZone_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    void SetTime(std::time_t t) {
        ob::clock::SetTestClock([t] { return std::chrono::system_clock::from_time_t(t); });
    }
    void UseZone(const char* zone) {
        if (!savedZone_) {
            savedZone_ = true;
            if (const char* old = std::getenv("TZ")) {
                previousZone_ = old;
            }
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    /// Sets a variable for this test; TearDown puts back what was there before.
    void SetVariable(const std::string& name, const std::string& value) {
        variables_.emplace_back(name, ob::env::Get(name));
        ASSERT_TRUE(ob::env::Set(name, value));
    }

    ScratchDir scratch_;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> variables_;
    std::optional<std::string> previousZone_;
    bool savedZone_ = false;
};

} // namespace ob::test
