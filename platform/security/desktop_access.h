// Letting a local account use the interactive desktop: the X display named by
// DISPLAY. The grant is an X server access rule for that local user
// (`xhost +si:localuser:NAME`), added once and not removed afterwards. Without a
// display, or on a machine without xhost, there is nothing to grant. The grant is
// best effort: a display that refuses it does not stop a launch, since most
// programs started for an account never open a window. Any thread; it waits for
// xhost to end.
#pragma once

#include <string>

namespace ob::security {

/// True when a rule was added (xhost ran and succeeded).
bool GrantDesktopAccess(const std::string& user);

} // namespace ob::security
