// Dates as text in the interpreter's one locale, US English (1033): what CStr,
// "&" and FormatDateTime write. Pure functions; any thread.
#pragma once

#include "vbscript/vbscript_export.h"

#include <string>

namespace ob::vbscript {

/// A date as FormatDateTime writes it: 0 general (short date, long time, or the
/// one of them the value has), 1 long date "Tuesday, March 14, 1995", 2 short date
/// "3/14/1995", 3 long time "12:41:29 PM", 4 short time "12:41" (24-hour). Empty
/// for a value that is not a valid date.
OB_VBSCRIPT_API std::string FormatDateText(double oleDate, int format);

} // namespace ob::vbscript
