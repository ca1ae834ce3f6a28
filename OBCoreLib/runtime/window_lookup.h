// FindWindow and SetForegroundWindow: the X display's top-level windows and their
// children (platform/desktop), matched by title and class with the regular
// expressions of common/regex (searched anywhere in the text; an empty pattern
// matches all). Handles are the X window ids, which fit the interface's 32 bits.
//
// Each call opens the display that DISPLAY names for itself. Without a display
// there are no windows: FindWindow answers 0 with "No matching window found." and
// SetForegroundWindow 0 with "Unable to set foreground window." in JR.LAST_ERROR,
// both with S_FALSE. Any thread.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include <cstdint>
#include <string>

namespace ob::corelib {

inline constexpr const char* kNoMatchingWindow = "No matching window found.";
inline constexpr const char* kNoForegroundWindow = "Unable to set foreground window.";

/// The last window in walk order (depth first, topmost first, each window before
/// its children) whose title matches `titlePattern` and whose class matches
/// `classPattern`; a pattern that does not compile matches nothing.
I4Result FindDesktopWindow(const std::string& titlePattern, const std::string& classPattern);
/// Brings the window to the front and gives it the keyboard focus.
I4Result RaiseDesktopWindow(std::int32_t handle);

} // namespace ob::corelib
