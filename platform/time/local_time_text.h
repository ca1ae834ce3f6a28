// Local wall-clock times written the way command lines and scripts write them:
// "YYYY-MM-DD HH:MM:SS". Strict: every field has its fixed width, and a date that
// does not exist in the calendar (30 February, hour 24) is refused rather than
// rolled over. Any thread.
#pragma once

#include "platform/export.h"
#include "platform/time/ole_date.h"

#include <optional>
#include <string>
#include <string_view>

namespace ob::datetime {

/// "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD" (midnight); a "T" may
/// stand for the blank. Years 1000 to 9999. Nothing for any other text.
OB_PLATFORM_API std::optional<OleDate> ParseLocalDateTime(std::string_view text);

/// "YYYY-MM-DD HH:MM:SS"; empty for a date without a calendar form.
OB_PLATFORM_API std::string FormatLocalDateTime(const OleDate& date);

} // namespace ob::datetime
