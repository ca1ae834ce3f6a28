// Windows error code -> message text for user-facing messages.
#include "common/system_error_text.h"

#include "platform/error/win_error.h"

namespace ob::common {

std::string SystemErrorText(std::uint32_t code, MessageLookup lookup) {
    try {
        std::string text;
        std::uint32_t lookupError = ob::error::ERROR_SUCCESS;
        if (lookup(code, text, &lookupError)) {
            // Message texts end in a line break (and sometimes a blank before it).
            const std::size_t end = text.find_last_not_of(" \t\r\n");
            text.erase(end == std::string::npos ? 0 : end + 1);
            return text;
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
