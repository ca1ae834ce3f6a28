// The backtracking machine that runs a compiled program against a subject. Internal
// to the regex engine; callers use RegexProgram::Execute.
//
// Depth-first search with the pending alternatives on an explicit stack in the
// heap: a BRANCH with further alternatives and a STAR/PLUS with counts left to give
// back each leave a choice; a failure resumes the most recent one. Group positions
// are overwritten as OPEN/CLOSE nodes run and restored from a trail on
// backtracking, so after a match each group holds its last recording on the
// successful path (a loop's last iteration).
#pragma once

#include "common/regex/regex_program.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ob::common {

class RegexMatcher {
public:
    using Positions = std::array<std::ptrdiff_t, RegexProgram::kGroupSlots>;

    /// `code` and `text` must outlive the matcher. One matcher serves one search:
    /// its step count covers every start position tried.
    RegexMatcher(std::span<const std::uint8_t> code, std::string_view text,
                 const RegexLimits& limits)
        : code_(code), text_(text), limits_(limits) {}

    /// Runs the program with the match starting at `at` (0 <= at <= text size). On
    /// kMatch, slot 0 is at..end of match and the groups are set; otherwise the
    /// positions hold whatever the failed attempt left. May throw std::bad_alloc.
    RegexStatus RunAt(std::size_t at, Positions& start, Positions& end);

private:
    struct Choice {
        std::size_t position; // BRANCH: where the alternative starts;
                              // STAR/PLUS: where the repetition began
        std::size_t count;    // STAR/PLUS: the next count of repetitions to try
        std::size_t trail;    // trail height when the choice was made
        std::size_t node;     // BRANCH: the next alternative; STAR/PLUS: that node
        bool repeat;
    };
    struct Saved {
        std::ptrdiff_t* slot;
        std::ptrdiff_t value;
    };
    std::span<const std::uint8_t> code_;
    std::string_view text_;
    RegexLimits limits_;
    std::size_t steps_ = 0;
    std::vector<Choice> choices_;
    std::vector<Saved> trail_;

    bool Saving() const { return choices_.size() + trail_.size() < limits_.max_saved_states; }
    void Record(std::ptrdiff_t& slot, std::size_t position);
    void Undo(std::size_t height);
    bool Repeat(std::size_t operand, std::size_t position, std::size_t& count) const;
    bool Backtrack(std::size_t& position, std::size_t& node);
};

} // namespace ob::common
