// Searching and comparing script texts the way InStr, InStrRev, Replace, Split,
// Filter and StrComp do: a match always starts and ends on character boundaries
// (a search never cuts a multi-byte UTF-8 character or matches part of one), and
// the text compare mode folds case with LowerLetter. Offsets are byte offsets;
// callers turn them into character positions with the utf8 helpers.
//
// Pure functions; any thread.
#pragma once

#include "vbscript/variant.h"

#include <cstddef>
#include <string_view>

namespace ob::vbscript {

struct TextMatch {
    std::size_t begin = std::string_view::npos; ///< npos when nothing matched
    std::size_t end = std::string_view::npos;   ///< one past the match (text compare
                                                ///< may match a different byte length)
    bool Found() const { return begin != std::string_view::npos; }
};

/// The first match of `what` in `text` starting at or after byte `from` (a
/// character boundary). An empty `what` matches at `from`.
OB_VBSCRIPT_API TextMatch FindText(std::string_view text, std::string_view what, std::size_t from,
                                   CompareMode mode);

/// The last match of `what` that ends at or before byte `before` (a character
/// boundary).
OB_VBSCRIPT_API TextMatch FindLastText(std::string_view text, std::string_view what,
                                       std::size_t before, CompareMode mode);

/// -1, 0 or 1 as StrComp orders two texts: binary by character code, text mode
/// by case-folded character code.
OB_VBSCRIPT_API int CompareTexts(std::string_view a, std::string_view b, CompareMode mode);

} // namespace ob::vbscript
