// Minute of an OLE Automation date, for the time functions.
#pragma once

namespace ob::common {

/// The text the time functions leave in `RS.LastError` on a bad argument.
inline constexpr const char* kTimeParameterError = "Parameter error in time function";

/// The minute (0..59) of the moment; -1 when it cannot be converted to a calendar
/// date; 0 with `RS.LastError` set when the moment is exactly 0.
int MinuteOf(double moment);

} // namespace ob::common
