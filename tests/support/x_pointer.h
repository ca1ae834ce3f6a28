// Test support: a click of the first mouse button at a point of the X display that
// DISPLAY names, through XTest (as a user's click reaches the server).
#pragma once

namespace ob::test {

/// False when the display or XTest is not there.
bool ClickAt(int x, int y);

} // namespace ob::test
