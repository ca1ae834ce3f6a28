// Runs a compiled pattern over a decoded text: a backtracking matcher driven by
// one loop and an explicit stack, so neither the length of the text nor the
// counts of a pattern's repetitions use the thread's stack.
//
// Bounds: one search (finding the next match from a starting position, trying
// every later start) may take at most kStepBudget steps plus kStepsPerCharacter
// per character it may start at, and its backtracking stack may hold at most
// kMaxBacktrackEntries entries; beyond either it throws ScriptException(5022,
// "Regular expression too complex") instead of hanging or exhausting memory.
// A Matcher belongs to one thread; the Program it runs may be shared.
#pragma once

#include "vbscript/regexp/regex_program.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::vbscript::regexp {

inline constexpr std::int64_t kStepBudget = 10'000'000;
inline constexpr std::int64_t kStepsPerCharacter = 32;
inline constexpr std::size_t kMaxBacktrackEntries = std::size_t(1) << 22;

/// Where a match lies: character indexes, slot 2n / 2n+1 the start and end of
/// group n (group 0 the whole match); -1 for a group that did not take part.
struct MatchSpan {
    std::vector<std::int32_t> slots;

    std::int32_t Start(int group = 0) const { return slots[2 * group]; }
    std::int32_t End(int group = 0) const { return slots[2 * group + 1]; }
    bool Took(int group) const { return slots[2 * group] >= 0 && slots[2 * group + 1] >= 0; }
};

class Matcher {
public:
    /// `stepBudget` replaces kStepBudget (tests and fuzzing use smaller ones).
    Matcher(const Program& program, const std::u32string& text,
            std::int64_t stepBudget = kStepBudget);

    /// Finds the first match starting at character `from` or later; false when
    /// there is none. Throws ScriptException(5022) when the bounds are exceeded.
    bool Search(std::int32_t from, MatchSpan& match);

    /// Steps the last search took (for tests).
    std::int64_t Steps() const { return steps_; }

private:
    enum class Kind : std::uint8_t {
        Branch,         ///< resume at pc / pos
        RestoreSlot,    ///< slots[a] = b
        RestoreCounter, ///< counters[a] = b, passStart[a] = pos
        LazyEnter,      ///< enter another pass of the RepeatLoop at pc, at pos
        SingleGreedy,   ///< RepeatSingle at pc from pos took a characters: give one back
        SingleLazy,     ///< RepeatSingle at pc from pos took a characters: take one more
        LookMarker,     ///< a lookahead began at pos; pc: after it; a: 1 when negative
    };
    struct Entry {
        Kind kind;
        std::int32_t pc;
        std::int32_t pos;
        std::int32_t a;
        std::int32_t b;
    };

    bool Run(std::int32_t start);
    void Push(Kind kind, std::int32_t pc, std::int32_t pos, std::int32_t a = 0, std::int32_t b = 0);
    void Step(std::int64_t count = 1);
    bool Backtrack();
    void EnterPass(const Instruction& loop);
    void SetSlot(std::int32_t slot, std::int32_t value);
    bool MatchesOne(const Instruction& single, char32_t c) const;
    bool Same(char32_t a, char32_t b) const;
    bool IsWordAt(std::int32_t pos) const;

    const Program& program_;
    const std::u32string& text_;
    const std::int32_t length_;
    std::vector<std::int32_t> slots_;
    std::vector<std::int32_t> counters_;
    std::vector<std::int32_t> passStart_;
    std::vector<Entry> stack_;
    std::vector<std::size_t> looks_; ///< stack_ indexes of the open lookaheads' markers
    std::int64_t steps_ = 0;
    const std::int64_t stepBudget_;
    std::int64_t budget_ = 0;
    std::int32_t pc_ = 0;
    std::int32_t pos_ = 0;
};

} // namespace ob::vbscript::regexp
