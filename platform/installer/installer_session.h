// Installer sessions: the property tables that an installer and the setup
// extension it calls share, standing in for the Windows Installer's session handle
// and its property functions. The installer opens a session, sets the properties
// it owns ("INSTALLDIR", say), hands the handle to the setup extension's exports,
// which read and set properties through it ("InstallLocation"), and closes it.
//
// Handles are small numbers from a process-wide table, never reused, so a stale or
// made-up handle is refused instead of reaching freed memory. Property names
// compare with regard to case, as the Windows Installer's do. Any thread; each call
// takes the table's lock.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ob::installer {

using MsiHandle = std::uint32_t;

// Results (the Windows codes the property functions return).
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;

/// A new session with no properties; never 0.
OB_PLATFORM_API MsiHandle OpenSession();
/// Forgets the session and its properties; false for a handle that is not open.
OB_PLATFORM_API bool CloseSession(MsiHandle handle);

/// Copies the property's value into `buffer`, whose size in characters `*length`
/// gives on entry; on return `*length` is the value's length without the
/// terminating zero. A missing property is the empty text. ERROR_MORE_DATA when the
/// buffer is too small (it then holds the value cut to fit, zero-terminated);
/// ERROR_INVALID_HANDLE for a handle that is not open; ERROR_INVALID_PARAMETER for
/// a null name or length, or a null buffer with a non-zero length.
OB_PLATFORM_API std::uint32_t MsiGetProperty(MsiHandle handle, const char* name, char* buffer,
                                             std::uint32_t* length);
/// Sets a property; a null or empty value removes it. ERROR_INVALID_HANDLE,
/// ERROR_INVALID_PARAMETER (null or empty name) as above.
OB_PLATFORM_API std::uint32_t MsiSetProperty(MsiHandle handle, const char* name, const char* value);

/// The value for C++ callers; none for a handle that is not open.
OB_PLATFORM_API std::optional<std::string> GetProperty(MsiHandle handle, std::string_view name);

} // namespace ob::installer
