// Minute of an OLE Automation date, for the time functions.
#pragma once

#include "common/time_parameter_error.h"

namespace ob::common {

/// The minute (0..59) of the moment; -1 when it cannot be converted to a calendar
/// date; 0 with `RS.LastError` set when the moment is exactly 0.
int MinuteOf(double moment);

} // namespace ob::common
