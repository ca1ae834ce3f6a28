// Regular expressions: egrep-like patterns compiled to a small byte-coded program
// and matched by backtracking. Used to find jobs by name, by the command server's
// list, kill and find, by window lookup and by the FTP client's wildcards.
//
// Syntax: every character is literal except these. `|` separates alternatives;
// `( )` groups, numbered 1 to 9 by their opening parenthesis; `*`, `+`, `?` repeat
// the preceding atom (the last character of a literal run) zero or more, one or
// more, zero or one times; `.` is any character; `^` and `$` are the beginning and
// end of the input wherever they appear; `[set]` and `[^set]` are character sets in
// which a leading `]` or `-` and a trailing `-` are literal and `a-z` is a range of
// byte values; `\` makes the next character literal. Matching is case-sensitive and
// byte-wise; the first alternative that lets the rest match wins; repetitions take
// as much as they can and give it back one step at a time; when a group matches
// more than once its last iteration is what it reports.
//
// Contract:
// - RegexProgram::Compile accepts a pattern (any thread) and returns the program or
//   one of the messages of regex_messages.h. Compilation runs in two passes: the
//   first measures the program, the second writes it into one block.
// - Execute searches a subject for the first (leftmost) match and records where the
//   match and each group began and ended. It changes the program's position fields,
//   so one program is used by one thread at a time; distinct programs are
//   independent (there is no shared state).
// - The program is released when its owner (the unique_ptr) goes away.
// - Nothing here throws.
//
// Bounds: the compiler recurses only at "(" and at most 9 groups can nest; the
// matcher keeps its backtracking state on the heap, never on the call stack. So no
// subject and no pattern can overflow the stack. Each Execute is
// limited in work (node steps) and in saved backtracking state (RegexLimits); when
// either runs out the search stops and reports no match with Status() ==
// kLimitReached. The defaults are far above what names, titles and log lines need
// and keep a pathological pattern (say `((a+)+)+b` against a long run of `a`) to a
// fraction of a second and a few tens of megabytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ob::common {

/// Work allowed to one Execute call.
struct RegexLimits {
    /// Nodes run plus characters scanned by repetitions, over all start positions.
    std::size_t max_steps = 20'000'000;
    /// Pending alternatives plus saved group positions (about 40 and 16 bytes each).
    std::size_t max_saved_states = 1'000'000;
};

/// How the last Execute ended.
enum class RegexStatus {
    kNoMatch,      // searched the whole subject, no match
    kMatch,        // matched; the positions are set
    kLimitReached, // gave up: RegexLimits exhausted (or memory ran out)
    kDamaged,      // the program is not a valid program (wrong magic byte, bad node)
};

class RegexProgram;

/// What Compile returns: the program, or why there is none.
struct RegexCompileResult {
    std::unique_ptr<RegexProgram> program; // null when the pattern was rejected
    std::string error;                     // the rejection message; empty on success
    explicit operator bool() const noexcept { return program != nullptr; }
};

class RegexProgram {
    struct Key {
        explicit Key() = default;
    };

public:
    /// Slots: 0 the whole match, 1 to 9 the groups.
    static constexpr int kGroupSlots = 10;
    /// Position of a slot that did not take part in the match.
    static constexpr std::ptrdiff_t kNoPosition = -1;

    /// Compiles `pattern`. A pattern containing a NUL byte is rejected.
    static RegexCompileResult Compile(std::string_view pattern) noexcept;

    /// Wraps an existing program image (magic byte and nodes) without the
    /// optimisation fields; for tools and tests. The image is not trusted: a bad
    /// magic byte or a damaged node makes Execute report kDamaged, never read
    /// outside the image.
    static std::unique_ptr<RegexProgram> FromCode(std::vector<std::uint8_t> code) noexcept;

    explicit RegexProgram(Key) {}

    /// Searches `text` (every byte counts, NUL included) for the leftmost match.
    /// True on a match; the positions are then set, otherwise all are kNoPosition.
    bool Execute(std::string_view text, const RegexLimits& limits = {}) noexcept;

    /// How the last Execute ended (kNoMatch before the first).
    RegexStatus Status() const noexcept { return status_; }

    /// Byte offset in the last subject where slot `n` began / ended; kNoPosition when
    /// the slot did not take part or `n` is outside 0..9.
    std::ptrdiff_t Start(int n) const noexcept;
    std::ptrdiff_t End(int n) const noexcept;

    /// The program: magic byte, then nodes (see regex_code.h).
    std::span<const std::uint8_t> Code() const noexcept { return code_; }
    /// The literal character every match begins with, or '\0'.
    char FirstCharacter() const noexcept { return first_; }
    /// True when a match can only begin at the start of the subject.
    bool Anchored() const noexcept { return anchored_; }
    /// The longest literal every match contains (empty when not worked out).
    std::string_view MustHave() const noexcept;

private:
    std::array<std::ptrdiff_t, kGroupSlots> start_{};
    std::array<std::ptrdiff_t, kGroupSlots> end_{};
    char first_ = '\0';
    bool anchored_ = false;
    std::size_t must_offset_ = 0; // index in code_ of the must-have text
    std::size_t must_length_ = 0; // 0 = none
    std::vector<std::uint8_t> code_;
    RegexStatus status_ = RegexStatus::kNoMatch;

    void ClearPositions() noexcept;
};

/// The entry points under the names other parts of the system use.
/// CompileRegex: the program, or null (with `error`, when given, saying why).
std::unique_ptr<RegexProgram> CompileRegex(std::string_view pattern,
                                           std::string* error = nullptr) noexcept;
/// MatchRegex: 1 when `program` matches anywhere in `text`, 0 otherwise, also for a
/// null or damaged program or when the search gave up (see RegexLimits).
int MatchRegex(RegexProgram* program, std::string_view text) noexcept;
/// FreeRegex: releases the program now (the same as letting the pointer go).
inline void FreeRegex(std::unique_ptr<RegexProgram>& program) noexcept {
    program.reset();
}

} // namespace ob::common
