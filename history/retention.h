// How much run history is kept: runs older than a number of days, and the oldest
// runs beyond a count, are dropped. Value type; any thread.
#pragma once

#include <cstdint>

namespace ob::history {

struct Retention {
    std::uint32_t days = 30;     ///< 0 keeps runs of any age
    std::uint32_t runs = 100000; ///< 0 keeps any number of runs
};

} // namespace ob::history
