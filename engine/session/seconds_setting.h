// Durations the engine takes from persistent variables (the watchdog's limit, the
// console's time-outs): whole seconds, read now.
#pragma once

#include <chrono>

namespace ob::engine {

/// The variable `name` of `section` (nullptr: the default section), read
/// environment first, then the settings store, as a whole number of seconds;
/// `fallback` when it is not set or not a whole non-negative number. Any thread.
std::chrono::seconds SecondsSetting(const char* section, const char* name,
                                    std::chrono::seconds fallback);

} // namespace ob::engine
