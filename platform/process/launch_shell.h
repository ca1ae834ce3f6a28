// Handing a document, folder or address to the desktop's opener (xdg-open), for
// "-spawn -shell" and the automation library's ShellExecute. Any thread.
//
// The opener is looked up like any program (resolve_program.h); a machine without
// one fails with 1155 ("No application is associated with the specified file for
// this operation."), and so does a verb other than "open" (the opener knows no
// other). A file name in double quotes loses them. A name that is not an address
// ("scheme:" in front) must exist: a missing one fails with 2 (or 3 when its
// folder is missing) before anything starts, as the Windows shell reports it. The
// opener runs as a program launch with the same flags: waited without CP_ASYNC,
// else reaped in the background. The exit code of a waited opener is reported.
#pragma once

#include "platform/export.h"
#include "platform/process/launch_flags.h"

#include <string>

namespace ob::process {

/// The program that opens documents.
inline constexpr const char* kDesktopOpener = "xdg-open";

/// `verb` and `parameters` empty count as absent; parameters follow the file.
OB_PLATFORM_API void LaunchShell(std::uint32_t flags, const std::string& verb,
                                 const std::string& file, const std::string& parameters,
                                 LaunchOutcome& outcome);

} // namespace ob::process
