// Windows error numbers and their system texts.
//
// This product's messages are built around Windows error codes, so the platform maps
// errno values to the matching Windows code and knows the usual English system
// texts. Texts end with "\r\n" as the system gives them; callers trim. Any thread.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <string>

namespace ob::error {

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_MR_MID_NOT_FOUND = 317;

/// Windows code for an errno value (ENOENT -> 2, EACCES -> 5, ...); errno values
/// that only socket calls give map to their WSA numbers; unknown values map to 31
/// (ERROR_GEN_FAILURE).
OB_PLATFORM_API std::uint32_t FromErrno(int err);

/// WSA code for a socket errno (ECONNREFUSED -> 10061, ...); unknown values map to
/// 10022 (WSAEINVAL).
OB_PLATFORM_API std::uint32_t SocketFromErrno(int err);

/// The system text for a code, as FormatMessage gives it (with its trailing
/// "\r\n"). False with ERROR_MR_MID_NOT_FOUND in `lookupError` (and as the
/// thread's last error) when the code has no text. `lookupError` may be null.
OB_PLATFORM_API bool MessageText(std::uint32_t code, std::string& text, std::uint32_t* lookupError);

/// The calling thread's last Windows error (set by platform calls that fail).
OB_PLATFORM_API std::uint32_t GetLastError();
OB_PLATFORM_API void SetLastError(std::uint32_t code);

} // namespace ob::error
