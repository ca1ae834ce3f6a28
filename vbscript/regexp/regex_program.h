// A compiled pattern: the parsed tree flattened into instructions for the
// backtracking matcher (regex_matcher.h).
//
// Repetition compiles to a loop with a counter, never to copies of its body, so a
// program is at most a few instructions per pattern character whatever the
// counts in braces. A Program is immutable once compiled and may be shared
// between threads.
#pragma once

#include "vbscript/regexp/char_class.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::vbscript::regexp {

enum class Op : std::uint8_t {
    Char,            ///< ch
    Any,             ///< any character but a line feed
    Class,           ///< a: class index
    LineStart,       ///< ^
    LineEnd,         ///< $
    WordBoundary,    ///< \b
    NotWordBoundary, ///< \B
    Save,            ///< a: capture slot (2 * group, +1 for the end)
    Split,           ///< go on at pc + 1, on failure at a
    Jump,            ///< a: target
    RepeatInit,      ///< a: counter; starts a loop with a zero count
    RepeatLoop,      ///< a: counter, b: min, c: max, d: exit, e..f: groups reset per pass
    RepeatNext,      ///< a: counter, b: min, c: the RepeatLoop; ends one pass
    RepeatSingle,    ///< b: min, c: max of one Char/Any/Class (d: its Op, a/ch: its operand)
    LookStart,       ///< a: the instruction after the matching LookEnd; flag: negative
    LookEnd,
    BackReference, ///< a: group
    Match,
};

struct Instruction {
    Op op = Op::Match;
    bool flag = false; ///< RepeatLoop / RepeatSingle: greedy; LookStart: negative
    char32_t ch = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
    std::int32_t d = 0;
    std::int32_t e = 0;
    std::int32_t f = 0;
};

struct Program {
    std::vector<Instruction> code;
    std::vector<CharClass> classes;
    int groupCount = 0;
    int counterCount = 0;
    bool ignoreCase = false;
    bool multiline = false;
};

/// Parses and compiles a decoded pattern. Throws ScriptException (5017..5021)
/// when the pattern is malformed.
Program CompilePattern(const std::u32string& pattern, bool ignoreCase, bool multiline);

} // namespace ob::vbscript::regexp
