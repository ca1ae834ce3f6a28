// A skip statement: the days of the week (7 entries, 1 = Sunday) or of the year
// (366 entries) on which the job does not fire.
#pragma once

#include "engine/jobs/statement.h"

#include <cstdint>
#include <vector>

namespace ob::engine {

class SkipStatement final : public Statement {
public:
    std::uint32_t Kind() const override { return KIND_SKIP; }

    /// One entry per day, 1 = skip; index 0 is day 1.
    std::vector<std::uint8_t> days;
};

} // namespace ob::engine
