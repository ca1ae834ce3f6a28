// One cron field matched against one calendar value.
#include "common/cron/cron_evaluator.h"

#include <cstdint>

namespace ob::common {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the run of digits at `at` and leaves `at` after it. The value saturates
// above every 32-bit number, so a long run of digits never wraps round into a
// number that some value would match.
std::int64_t ReadNumber(const char*& at) {
    constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
    std::int64_t number = 0;
    while (IsDigit(*at)) {
        if (number < kCeiling) {
            number = number * 10 + (*at - '0');
        }
        ++at;
    }
    return number;
}

} // namespace

int CronFieldMatcher(const char* field, std::int32_t value) {
    if (field == nullptr) {
        return 0;
    }
    if (field[0] == '*') {
        return 2;
    }
    if (!IsDigit(field[0])) {
        return 0;
    }
    const char* at = field;
    for (;;) {
        const std::int64_t low = ReadNumber(at);
        if (*at == '\0') {
            return value == low ? 1 : 0;
        }
        if (*at == ',') {
            if (value == low) {
                return 1;
            }
            ++at;
            if (!IsDigit(*at)) {
                return 0;
            }
            continue;
        }
        if (*at != '-') {
            return 0;
        }
        ++at;
        if (!IsDigit(*at)) {
            return 0;
        }
        const std::int64_t high = ReadNumber(at);
        if (low <= value && value <= high) {
            return 1;
        }
        // A range that does not match must be followed by another item.
        if (at[0] != ',' || !IsDigit(at[1])) {
            return 0;
        }
        ++at;
    }
}

} // namespace ob::common
