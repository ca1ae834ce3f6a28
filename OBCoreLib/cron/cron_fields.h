// Splitting a script's cron expression into its fields, as CheckTime and the
// remote-job methods read it: blanks and tabs around it are dropped, runs of
// blanks and tabs separate fields, a double-quoted stretch belongs to one field
// (the quotes go, the blanks inside stay), and commas separate nothing. Any
// thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ob::corelib {

/// Fields an expression may have (minute to second).
inline constexpr std::size_t kMaxCronFields = 8;

std::vector<std::string> SplitCronFields(std::string_view expression);

} // namespace ob::corelib
