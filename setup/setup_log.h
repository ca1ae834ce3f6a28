// The setup log. Every entry is "[TAG](thread=TID)(line=LINE): " followed by the
// message, appended with one write to "obrenta.log" in the installation directory
// or, when none is known, to the running program's path with ".log" in place of
// its extension. The file is opened and closed for each entry, so an installer can
// read it at any time. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::setup {

/// The operation an entry belongs to.
enum class LogTag { Init, BackupFile, RestoreFile, ForceRemove, ShutdownObrenta, Patch };

/// "_isInit", "_isBackupFile", ...
std::string_view TagName(LogTag tag);

/// The file entries go to now.
std::string LogFilePath();

/// Appends one entry; `line` is the caller's source line (filled in by the
/// compiler). A log that cannot be written is skipped: logging never fails an
/// operation.
void Log(LogTag tag, std::string_view message, int line = __builtin_LINE());

/// While set, every entry is also written to standard error (the debugger output
/// of the installer's choice).
void SetLogEcho(bool echo);

} // namespace ob::setup
