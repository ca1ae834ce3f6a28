// Windows error code -> message text for user-facing messages.
#include "common/system_error_text.h"

#include "platform/error/win_error.h"
#include "platform/text/blank.h"

namespace ob::common {

std::string SystemErrorText(std::uint32_t code, MessageLookup lookup) {
    try {
        std::string text;
        std::uint32_t lookupError = ob::error::ERROR_SUCCESS;
        if (lookup(code, text, &lookupError)) {
            // Message texts end in a line break (and sometimes a blank before it).
            return std::string(text::TrimRight(text, text::kLineBlanks));
        }
        if (lookupError == ob::error::ERROR_MR_MID_NOT_FOUND) {
            return "Error Message not found.";
        }
        return "FormatMessage failed with unknown error.";
    } catch (...) {
        return "FormatMessage failed with unknown error.";
    }
}

std::string SystemErrorText(std::uint32_t code) {
    return SystemErrorText(code, &ob::error::MessageText);
}

} // namespace ob::common
