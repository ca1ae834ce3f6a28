// The running program's own path. Any thread.
#pragma once

#include "platform/export.h"

#include <string>

namespace ob::fs {

/// The absolute path of the program's executable (/proc/self/exe); empty when it
/// cannot be read.
OB_PLATFORM_API std::string ProgramPath();

} // namespace ob::fs
