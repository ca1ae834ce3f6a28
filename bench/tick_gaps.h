// Benchmark support: when a job's "tick" output lines arrived, and the largest gap
// between two of them, which tells how long the engine thread was held up. The
// benchmark's thread only.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace ob::bench {

class TickGaps {
public:
    using Clock = std::chrono::steady_clock;

    /// Notes the arrival of every "tick " line of `lines` not seen before (the
    /// job's own output line, not its trigger line, which names the job).
    void Note(const std::vector<std::string>& lines) {
        for (; seen_ < lines.size(); ++seen_) {
            if (lines[seen_] == "tick ") {
                ticks_.push_back(Clock::now());
            }
        }
    }

    /// The largest gap between two ticks noted so far, in milliseconds.
    double LargestGapMs() const {
        Clock::duration largest{};
        for (std::size_t i = 1; i < ticks_.size(); ++i) {
            largest = std::max(largest, ticks_[i] - ticks_[i - 1]);
        }
        return std::chrono::duration<double, std::milli>(largest).count();
    }
    std::size_t Count() const { return ticks_.size(); }

private:
    std::vector<Clock::time_point> ticks_;
    std::size_t seen_ = 0;
};

} // namespace ob::bench
