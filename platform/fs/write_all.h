// Writing all of a text to a descriptor (a file, a pipe, a terminal). Any thread.
#pragma once

#include "platform/export.h"

#include <string_view>

namespace ob::fs {

/// Writes all of `text`, going on after partial writes and interruptions; false on
/// an error (a full disk, a closed pipe), with errno set.
OB_PLATFORM_API bool WriteAll(int fd, std::string_view text);

} // namespace ob::fs
