// How the time functions (MinuteOf, the cron evaluator) report a bad argument: the
// transient variable `RS.LastError` of this library's variable store. Any thread.
#pragma once

namespace ob::common {

/// The text the time functions leave in `RS.LastError` on a bad argument.
inline constexpr const char* kTimeParameterError = "Parameter error in time function";

/// Sets `RS.LastError` to kTimeParameterError. A store that cannot be written is
/// ignored: the caller reports the error through its result as well.
void SetTimeParameterError();

} // namespace ob::common
