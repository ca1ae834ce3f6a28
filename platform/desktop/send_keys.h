// SendKeys in one call: parses a keystroke text (send_keys_parser.h) and types it
// into the active window of the display DISPLAY names. Used by WScript.Shell's
// SendKeys and by the script library's SendKeys. Blocks the calling thread while
// the keys are typed; never waits for a display that does not answer.
#pragma once

#include "platform/desktop/desktop_export.h"

#include <string>
#include <string_view>

namespace ob::desktop {

enum class SendKeysResult {
    Sent,
    BadKeys,   ///< the text is not valid keystroke syntax
    NoDisplay, ///< no display to type into (unset, unreachable, refused)
    Failed,    ///< the display could not type the keys (no XTEST, lost connection)
};

struct SendKeysOutcome {
    SendKeysResult result = SendKeysResult::Sent;
    std::string message; ///< empty when sent; otherwise a sentence for the user
};

[[nodiscard]] OB_DESKTOP_API SendKeysOutcome SendKeys(std::string_view keys);

} // namespace ob::desktop
