// The script errors of file operations: an errno turned into the language's file
// error numbers. Interpreter's thread.
#pragma once

#include <string>

namespace ob::vbscript::objects {

/// The file error numbers scripts test for.
namespace file_err {
inline constexpr long kBadFileName = 52;
inline constexpr long kFileNotFound = 53;
inline constexpr long kBadFileMode = 54;
inline constexpr long kDeviceIo = 57;
inline constexpr long kFileExists = 58;
inline constexpr long kDiskFull = 61;
inline constexpr long kPastEnd = 62;
inline constexpr long kTooManyFiles = 67;
inline constexpr long kDeviceUnavailable = 68;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathNotFound = 76;
} // namespace file_err

/// The error number for a failed call's errno: a missing entry gives `notFound`
/// (53 for a file, 76 for a folder), a missing or non-folder parent 76, refused
/// access 70, an existing name 58, a full disk 61, too many open files 67,
/// anything else 57.
long FileErrorNumber(int errnoValue, long notFound);

/// The error for a path that does not exist: 53 when its folder exists, else 76.
long MissingFileError(const std::string& path);

/// Throws ScriptException(FileErrorNumber(errnoValue, notFound)).
[[noreturn]] void ThrowFileError(int errnoValue, long notFound);

} // namespace ob::vbscript::objects
