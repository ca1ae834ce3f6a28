// Values handed out by the store: separate zero-terminated copies that the receiver
// gives back through ReleaseEnvString (declared in variable_manager.h).
#pragma once

#include <string_view>

namespace ob::vars {

/// A new zero-terminated copy of `text`; never null.
char* CopyEnvString(std::string_view text);

} // namespace ob::vars
