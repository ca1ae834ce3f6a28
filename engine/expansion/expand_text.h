// %-expressions in statement texts, job names and command lines: the 39 date and
// time tokens (%Y%, %DAY%, %#c% ...), variable references %NAME% (environment,
// names compared without regard to case, then the persistent store), and "%%" for
// a literal "%". Any thread.
#pragma once

#include <cstddef>
#include <string>

namespace ob::engine {

/// Most rounds of replacement for one text. A variable whose value refers to
/// itself (directly or through others) stops there, its reference left in place.
inline constexpr int kMaxExpandRounds = 64;

/// Size beyond which no further replacement is made: a variable whose value holds
/// its own reference more than once would otherwise grow the text round after
/// round. A round that finds the text longer than this makes no replacement, so
/// the result is at most this size plus the longest single replacement, and the
/// references not reached stay as they are.
inline constexpr std::size_t kMaxExpandedSize = std::size_t{1} << 20;

/// Expands `text` in place: rounds until one makes no replacement, at most
/// kMaxExpandRounds. "%%" outside a %...% pair is parked as two carriage returns
/// meanwhile, so a pair of carriage returns already in the text also comes out as
/// one "%". Returns true.
bool ExpandText(std::string& text);

/// One round of replacements; true when at least one was made. The date tokens,
/// each at its first occurrence, from one reading of the clock; only when none
/// occurs, every environment variable at the first occurrence of its reference;
/// only when none occurs either, the text between the first two "%" looked up in
/// the environment, else the persistent store, and replaced by its value or removed.
bool ExpandRound(std::string& text);

/// The expanded copy of a text.
std::string Expanded(std::string text);

} // namespace ob::engine
