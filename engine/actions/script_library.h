// StdLib.vbs: the script library that the script bridge appends to every script
// statement's program. It declares the constants scripts pass to the runtime
// object (launch, variable, logon and message flags) and the helper functions
// through which job scripts call it (Print, CheckTime, CreateProcess ...), each a
// thin wrapper around the method of the same name of the object in `OBCtrl`.
// Immutable text; any thread.
#pragma once

#include <string_view>

namespace ob::engine {

/// The whole text of StdLib.vbs, lines ended by line feeds.
std::string_view ScriptLibraryText();

} // namespace ob::engine
