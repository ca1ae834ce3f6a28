// The process environment as the live variable store.
//
// The table is imported from the real environment when the platform library
// loads; afterwards all reads, writes and enumeration go through here under one
// process-wide recursive lock, and the real `environ` is never written (glibc's
// setenv is not safe against concurrent getenv). Names compare without regard to
// (ASCII) case and keep the spelling of their first definition. Child processes
// receive Block(). Any thread.
#pragma once

#include "platform/export.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ob::env {

/// The value of a variable, or nothing when it is not set.
OB_PLATFORM_API std::optional<std::string> Get(std::string_view name);

/// Sets a variable (an empty value is a value). False for an invalid name: empty,
/// containing '=' after its first character, or containing a NUL byte. A value
/// ends at its first NUL byte, as it would in a child's environment.
OB_PLATFORM_API bool Set(std::string_view name, std::string_view value);

/// Removes a variable. True when the name is valid (whether or not it was set).
OB_PLATFORM_API bool Remove(std::string_view name);

/// All variables as (name, value) pairs, in definition order.
OB_PLATFORM_API std::vector<std::pair<std::string, std::string>> Snapshot();

/// "NAME=value" strings for a child's environment.
OB_PLATFORM_API std::vector<std::string> Block();

/// The process-wide lock; hold it to make several calls atomic. Recursive.
OB_PLATFORM_API std::recursive_mutex& Lock();

} // namespace ob::env
