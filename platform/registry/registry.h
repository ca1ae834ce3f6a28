// The settings store: a registry of keys and string values kept in SQLite.
//
// Roots: HKEY_LOCAL_MACHINE is $OBRENTA_MACHINE_DIR/registry.db (default
// /var/lib/obrenta), HKEY_CURRENT_USER is $OBRENTA_USER_DIR/registry.db (default
// $XDG_CONFIG_HOME/obrenta, else ~/.config/obrenta), HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes. Key paths are separated by back slashes;
// key and value names compare without regard to (ASCII) case and keep the spelling
// of their creation.
//
// Every write is one SQLite transaction with synchronous writes in rollback-journal
// mode: a process killed at any point leaves the last committed state. The machine
// store counts as not writable when its database cannot be opened for writing or
// when OBRENTA_MACHINE_READONLY=1 is set. A database that cannot be opened or is
// corrupt reads as absent (ERROR_FILE_NOT_FOUND), and the reason is kept for
// LastStoreProblem(). When the reason is a shortage of descriptors or memory, the
// calling thread's last error (ob::error::GetLastError) is set to
// ERROR_TOO_MANY_OPEN_FILES (4) or ERROR_NOT_ENOUGH_MEMORY (8).
//
// Any thread; each root's connection is serialised internally. Callers may hold the
// environment lock (ob::env::Lock) while they use the store.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::registry {

enum class Root { LocalMachine, CurrentUser, ClassesRoot };

// Access masks (the Windows values).
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_READ_WRITE = 0x2001F;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

/// True when the mask asks for any write right (set value, create subkey).
constexpr bool WantsWrite(std::uint32_t access) {
    return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
}

// Results: Windows error codes (0 success, 2 not found, 5 access denied,
// 1009 the store is corrupt, 1016 an I/O error of the store).
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6; // a closed (default) Key
inline constexpr long ERROR_OUTOFMEMORY = 14;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_BADDB = 1009;
inline constexpr long ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr long ERROR_KEY_DELETED = 1018; // the open key was deleted meanwhile

inline constexpr std::uint32_t REG_SZ = 1;

/// Parses "HKLM", "HKEY_LOCAL_MACHINE", "HKCU", "HKEY_CURRENT_USER", "HKCR",
/// "HKEY_CLASSES_ROOT" (any case). False for anything else.
OB_PLATFORM_API bool ParseRoot(std::string_view text, Root& root);

/// An open key. Move-only; closing is the destructor.
///
/// A key is its path, looked up again by every call, so several keys (and
/// processes) may use the same key at once; a key deleted meanwhile gives
/// ERROR_KEY_DELETED (a root always exists and is merely empty). Writes need the
/// matching right in the access mask (KEY_SET_VALUE for values, KEY_CREATE_SUB_KEY
/// for subkeys, either for deleting a subkey) and a writable store; reads are
/// allowed whatever the mask. A closed key answers ERROR_INVALID_HANDLE.
class OB_PLATFORM_API Key {
public:
    Key();
    ~Key();
    Key(Key&&) noexcept;
    Key& operator=(Key&&) noexcept;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    /// Opens an existing key (path may be empty: the root itself). Empty names in
    /// the path (doubled or trailing back slashes) are ignored. A write right in
    /// `access` on a store that is not writable gives ERROR_ACCESS_DENIED.
    static long Open(Root root, std::string_view path, std::uint32_t access, Key& out);
    /// Opens a key, creating it and any missing parents; only creating needs a
    /// writable store.
    static long Create(Root root, std::string_view path, std::uint32_t access, Key& out);
    /// Subkey of an open key.
    long OpenSubKey(std::string_view subPath, std::uint32_t access, Key& out) const;
    long CreateSubKey(std::string_view subPath, std::uint32_t access, Key& out) const;

    bool IsOpen() const;
    /// Path below the root, as stored (spelling of creation).
    const std::string& Path() const;

    long QueryValue(std::string_view name, std::string& data, std::uint32_t* type = nullptr) const;
    long SetValue(std::string_view name, std::string_view data, std::uint32_t type = REG_SZ) const;
    long DeleteValue(std::string_view name) const;
    /// Deletes a subkey with everything below it.
    long DeleteSubKey(std::string_view subPath) const;
    /// Value names in creation order ("" is the default value).
    long EnumValueNames(std::vector<std::string>& names) const;
    /// Subkey names in alphabetical order, without regard to case.
    long EnumSubKeys(std::vector<std::string>& names) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// True when the root's database can be opened for writing (and, for the machine
/// root, OBRENTA_MACHINE_READONLY is not "1").
OB_PLATFORM_API bool RootWritable(Root root);

/// The folder that holds the root's database ($OBRENTA_MACHINE_DIR or
/// $OBRENTA_USER_DIR, or their defaults); empty when the user store has no place.
OB_PLATFORM_API std::string StoreDirectory(Root root);

/// Text of the last problem met while opening or reading a root's database
/// (corrupt, unreadable), empty when none; for the host program to report.
OB_PLATFORM_API std::string LastStoreProblem();

/// The same for one root's database (HKEY_CLASSES_ROOT shares the machine one).
OB_PLATFORM_API std::string StoreProblem(Root root);

/// Path of a root's database file (after the environment variables are applied).
OB_PLATFORM_API std::string DatabasePath(Root root);

/// Closes cached connections and forgets recorded problems; for tests that point
/// the roots somewhere else. (A connection is also reopened by itself when the
/// directory variables name another file, or when its file was removed or
/// replaced.)
OB_PLATFORM_API void ResetConnections();

} // namespace ob::registry
