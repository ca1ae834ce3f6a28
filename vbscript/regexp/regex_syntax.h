// The pattern language of the RegExp object parsed into a tree: literals, `.`,
// character classes, escapes, groups, lookaheads, backreferences, greedy and lazy
// quantifiers, anchors and alternation.
//
// ParsePattern works on decoded characters (code points) and throws
// ScriptException with one of the numbers below for a pattern it cannot read.
// Groups nest at most kMaxNesting deep (deeper is a syntax error), so the
// recursive parser and the compiler that walks the tree use bounded stack.
// Pure functions; any thread.
#pragma once

#include "vbscript/regexp/char_class.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob::vbscript::regexp {

/// Error numbers the RegExp object raises.
namespace errors {
inline constexpr long kSyntax = 5017;               ///< Syntax error in regular expression
inline constexpr long kUnexpectedQuantifier = 5018; ///< Unexpected quantifier
inline constexpr long kExpectedBracket = 5019;      ///< Expected ']' in regular expression
inline constexpr long kExpectedParen = 5020;        ///< Expected ')' in regular expression
inline constexpr long kInvalidRange = 5021;         ///< Invalid range in character set
inline constexpr long kTooComplex = 5022;           ///< the matcher ran out of steps or memory
} // namespace errors

/// Deepest nesting of groups and lookaheads a pattern may have.
inline constexpr int kMaxNesting = 1000;
/// A quantifier's "no upper bound" (and the cap on numbers written in braces).
inline constexpr std::int32_t kUnbounded = INT32_MAX;

enum class NodeKind {
    Empty,     ///< matches the empty text
    Char,      ///< one given character
    Any,       ///< `.`: any character but a line feed
    Class,     ///< a character class (`[...]`, \d \w \s and their negations)
    LineStart, ///< `^`
    LineEnd,   ///< `$`
    WordBoundary,
    NotWordBoundary,
    Group,     ///< `( )` capturing (group > 0) or `(?: )` (group == 0)
    Lookahead, ///< `(?= )`, or `(?! )` when negative
    BackReference,
    Sequence,    ///< children one after another
    Alternation, ///< children tried left to right
    Repeat,      ///< child repeated min..max times
};

struct Node {
    NodeKind kind = NodeKind::Empty;
    char32_t ch = 0;       ///< Char
    int classIndex = -1;   ///< Class: index into ParsedPattern::classes
    int group = 0;         ///< Group (0: not capturing), BackReference
    bool negative = false; ///< Lookahead
    std::int32_t min = 0;  ///< Repeat
    std::int32_t max = 0;  ///< Repeat (kUnbounded: no limit)
    bool greedy = true;    ///< Repeat
    int firstGroup = 0;    ///< Repeat: capturing groups inside are firstGroup..lastGroup
    int lastGroup = -1;
    std::vector<std::unique_ptr<Node>> children;
};

struct ParsedPattern {
    std::unique_ptr<Node> root;
    int groupCount = 0; ///< capturing groups, numbered 1..groupCount left to right
    std::vector<CharClass> classes;
};

/// Parses a decoded pattern; throws ScriptException (errors::k*) when it is malformed.
ParsedPattern ParsePattern(const std::u32string& pattern);

} // namespace ob::vbscript::regexp
