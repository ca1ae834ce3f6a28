// Texts made fit for a dialog: bytes that are not UTF-8 become U+FFFD replacement
// characters, NUL bytes end nothing (they become replacement characters too), and
// a text longer than the limit is cut at a character boundary and ends in "...".
// Any thread.
#pragma once

#include "platform/toolkit/toolkit_export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::toolkit {

/// Most bytes of a text a dialog shows: more is not read in a reminder, and the
/// toolkit's text layout grows slow with longer texts.
inline constexpr std::size_t kMaxShownBytes = 8 * 1024;

OB_TOOLKIT_API std::string DisplayableText(std::string_view text,
                                           std::size_t maxBytes = kMaxShownBytes);

} // namespace ob::toolkit
