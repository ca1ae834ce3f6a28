// Types parsed keystrokes (send_keys_parser.h) into the window that has the
// keyboard focus, through the XTest extension: the server sees them as if typed
// on its keyboard. A character the keyboard map lacks is typed through a spare
// key code (one without symbols) that is given that character and keeps it, so
// later calls find it on the map; when none is left, codes given characters by
// earlier calls are given new ones.
#pragma once

#include "platform/desktop/desktop_export.h"
#include "platform/desktop/send_keys_parser.h"
#include "platform/desktop/x_connection.h"

#include <string>
#include <vector>

namespace ob::desktop {

/// True when the display has the XTEST extension.
OB_DESKTOP_API bool HasXTest(XConnection& connection);

/// False, with `problem` set, when the server lacks XTest or a key cannot be
/// produced; strokes before the failing one have been typed.
OB_DESKTOP_API bool TypeStrokes(XConnection& connection, const std::vector<KeyStroke>& strokes,
                                std::string& problem);

} // namespace ob::desktop
