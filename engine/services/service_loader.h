// Loading a registered service module into a session (-action -load -service NAME).
//
// The registry entry is the key
//     HKEY_LOCAL_MACHINE\Software\Varndel Software\Obrenta\services\NAME
// with the values `path` (directories separated by ";", appended to
// PATH), `module` (libraries separated by ";", loaded first, their symbols made
// available to the service library) and `library` (the shared object that exports
// service_main). A `module` or `library` name that is not an absolute path is looked
// for in the `path` directories first, then by the dynamic loader's usual search.
// Engine thread only (the session's service list is changed by -load -service).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

// Load codes.
inline constexpr int SERVICE_LOADED = 0;
inline constexpr int SERVICE_MODULE_FAILED = 1;
inline constexpr int SERVICE_LIBRARY_FAILED = 2;
inline constexpr int SERVICE_NO_LIBRARY_ENTRY = 3;
inline constexpr int SERVICE_NO_ENTRY_POINT = 4;
inline constexpr int SERVICE_NO_REGISTRY_ENTRY = 6;
inline constexpr int SERVICE_ALREADY_LOADED = 7;

/// The key below HKEY_LOCAL_MACHINE that holds one subkey per service.
inline constexpr std::string_view kServicesKey = "Software\\Varndel Software\\Obrenta\\services";

/// Loads and registers the service NAME; one of the load codes. On any failure the
/// session's list is unchanged and the libraries this call opened are closed again.
/// The dynamic loader's explanation of a failed load is a system message at level
/// bit 1.
int LoadService(EngineSession& session, const std::string& name);

/// The text of a load code ("unrecognized command" for any code not in the table).
std::string_view LoadCodeText(int code);

/// PATH after appending a registry `path` value: the current value's pieces
/// (separated by ":") and the addition's (separated by ";"), empty pieces dropped,
/// joined with ":". No empty piece remains, so the result never adds the current
/// directory to the search.
std::string AppendSearchPath(std::string_view currentPath, std::string_view addition);

/// The non-empty pieces of a ";"-separated registry value, blanks around them trimmed.
std::vector<std::string> SplitRegistryList(std::string_view value);

/// The file dlopen should be given for `name`: an absolute name as it is; otherwise
/// the first of `directories`/name that exists as a regular file; otherwise the name
/// itself, for the dynamic loader's own search.
std::string LocateLibrary(const std::string& name, const std::vector<std::string>& directories);

} // namespace ob::engine
