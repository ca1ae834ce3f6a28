// The 39 date and time tokens of %-expansion (%Y%, %DAY%, %#c% ...), in the order
// ExpandText tries them, with what each gives. Matched case-sensitively: %M% is
// the minute, %m% the month. Any thread.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace ob::engine {

struct DateToken {
    std::string_view token;   ///< "%Y%"
    std::string_view format;  ///< strftime conversion without its "%" ("Y")
    std::string_view meaning; ///< what it gives, for messages and the manual
};

/// Every token, in the order of expansion.
std::span<const DateToken> DateTokens();

/// The tokens whose name (the text between the two "%") equals `name` without
/// regard to case: a variable of that name is hidden behind them when its
/// reference is written with their spelling.
std::vector<const DateToken*> TokensNamed(std::string_view name);

} // namespace ob::engine
