// `obrenta reg`: reads and edits the settings store from the command line.
//
//   obrenta reg query KEY [NAME]     prints "NAME = DATA" for every value of KEY,
//                                    or for the one named ("(Default)" is the
//                                    value with the empty name)
//   obrenta reg add KEY NAME DATA    sets a value, creating the key as needed
//   obrenta reg delete KEY [NAME]    deletes the value, or the key with everything
//                                    below it
//
// KEY is a root (HKLM, HKCU, HKCR or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT, any case) followed by back-slash separated subkeys.
// Main thread of the host program.
#pragma once

#include <ostream>

namespace ob::host {

/// argv[0] is "reg", the rest are its words. Exit status 0 on success, 1 on a
/// failure (reason on `err`, with the store's problem when it has one), 2 on bad
/// usage (with a usage line on `err`).
int RunRegCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ob::host
