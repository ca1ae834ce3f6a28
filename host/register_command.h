// `obrenta register`: enters the automation library's classes in the class
// registry (HKEY_CLASSES_ROOT of the settings store), or takes them out.
//
//   obrenta register [--unregister] [LIBRARY]
//
// LIBRARY defaults to the installed automation library: libobcorelib.so beside the
// program, else in ../lib from it (the run path the program's libraries are found
// on). The library is loaded and its DllRegisterServer (or DllUnregisterServer)
// export does the work, so the class registry names the file exactly as it was
// loaded. Main thread of the host program.
#pragma once

#include <ostream>
#include <string>

namespace ob::host {

/// The file name of the automation library.
inline constexpr const char* kAutomationLibrary = "libobcorelib.so";

/// argv[0] is "register". Exit status 0 on success, 1 when the library cannot be
/// loaded or the registration failed (reason on `err`), 2 on bad usage.
int RunRegisterCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

/// The default LIBRARY: the first of PROGRAM_DIR/libobcorelib.so and
/// PROGRAM_DIR/../lib/libobcorelib.so that exists; empty when neither does.
std::string DefaultAutomationLibrary();

/// For `obrenta run`: when the class registry has no working entry for
/// OBCoreLib.Runtime (no class id, or a library file that does not exist), the
/// default library is registered, with a note on `err`. When the machine store is
/// not writable it says how to register instead. Nothing happens when the entry
/// works or there is no default library.
void EnsureAutomationRegistered(std::ostream& err);

} // namespace ob::host
