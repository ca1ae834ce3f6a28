// Registered window messages: one process-wide name -> id table. Ids start at
// 0xC000; names compare without regard to case; the same name gives the same id to
// every library of the process (the table lives in the platform library, of which
// there is one copy). Any thread.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <string_view>

namespace ob::msg {

/// Id of the named message, registering it on first use; 0 for an empty name or
/// when the 16384 ids are used up.
OB_PLATFORM_API std::uint32_t RegisterWindowMessage(std::string_view name);

} // namespace ob::msg
