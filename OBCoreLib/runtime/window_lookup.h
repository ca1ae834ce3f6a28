// FindWindow and SetForegroundWindow: the desktop's top-level windows and their
// children, matched by title and class with the regular expressions of
// common/regex (searched anywhere in the text; an empty pattern matches all).
//
// The windows come from a desktop layer, which plugs in one function that lists
// them in walk order (depth first, topmost first, each window before its children)
// and one that raises a window. Until one is plugged in there are no windows:
// FindWindow answers 0 with "No matching window found." and SetForegroundWindow 0
// with "Unable to set foreground window." in JR.LAST_ERROR, both with S_FALSE. Any
// thread; the plug-in functions are set once, before scripts run.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ob::corelib {

struct DesktopWindow {
    std::int32_t handle = 0; ///< what scripts get; never 0
    std::string title;
    std::string className;
};

struct DesktopAccess {
    /// Every window in walk order.
    std::function<std::vector<DesktopWindow>()> list;
    /// Brings a window to the foreground; false when it cannot.
    std::function<bool(std::int32_t handle)> raise;
};

/// Plugs a desktop in (empty functions: no desktop).
void SetDesktopAccess(DesktopAccess access);

inline constexpr const char* kNoMatchingWindow = "No matching window found.";
inline constexpr const char* kNoForegroundWindow = "Unable to set foreground window.";

/// The last window in walk order whose title matches `titlePattern` and whose
/// class matches `classPattern`; a pattern that does not compile matches nothing.
I4Result FindDesktopWindow(const std::string& titlePattern, const std::string& classPattern);
I4Result RaiseDesktopWindow(std::int32_t handle);

} // namespace ob::corelib
