// The system's error sound ("hand" beep) on Linux: the terminal bell, rung on
// standard error when that is a terminal; nothing otherwise. Any thread.
#pragma once

#include "platform/export.h"

namespace ob::sound {

OB_PLATFORM_API void ErrorBeep();

} // namespace ob::sound
