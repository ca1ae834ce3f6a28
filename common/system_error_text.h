// System error texts and the minute helper of the time functions. Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace ob::common {

/// The system's message text for a Windows error code, trailing white space
/// removed; "Error Message not found." when the system has no text for it.
std::string SystemErrorText(std::uint32_t code);

/// The lookup SystemErrorText asks (ob::error::MessageText's shape): true with the
/// text, or false with the reason in the third argument.
using MessageLookup = bool (*)(std::uint32_t code, std::string& text, std::uint32_t* lookupError);

/// SystemErrorText with the lookup given: on a lookup failure other than "no text
/// for the code" (ERROR_MR_MID_NOT_FOUND) the text is "FormatMessage failed with
/// unknown error.".
std::string SystemErrorText(std::uint32_t code, MessageLookup lookup);

} // namespace ob::common
