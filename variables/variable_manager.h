// The variable store: named values shared by jobs, actions, services and scripts.
//
// Live values are process environment variables (ob::env); a value may also be
// persistent, kept in the settings store under
// ROOT\software\<company>\<product>\<section>, ROOT being HKEY_LOCAL_MACHINE when
// the process may write it, else HKEY_CURRENT_USER (reads fall back from the user
// store to the machine store and then keep a private copy in the user store).
//
// This is a static library: each library that links it has its own instances and
// locks, while the environment and the settings store are shared by the process.
// Any thread may call every operation; each GetEnv/PutEnv holds its instance's
// (recursive) lock from start to end. Do not call the store while holding
// ob::env::Lock(): the store takes its own lock first and the environment's second.
#pragma once

#include "platform/msg/critical_section.h"
#include "platform/registry/registry.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ob::vars {

// Flags of every read and write.
inline constexpr std::uint32_t ENV_TRANSIENT = 1;
inline constexpr std::uint32_t ENV_PERSISTENT = 2;
inline constexpr std::uint32_t ENV_FORCE = 4;
inline constexpr std::uint32_t ENV_CRYPTO = 8;

/// Longest value the store reads back from the settings store or writes to it.
inline constexpr std::size_t kMaxPersistentValue = 2047;

/// Process-wide names, set once by the library start-up and kept for the life of
/// the process (Configure copies them).
struct StoreConfig {
    std::string company;           ///< "Varndel Software"; empty: use the private profile file
    std::string product;           ///< "Obrenta"; also the private profile file's name
    std::string third;             ///< "Obrenta"
    std::string defaultSection;    ///< "JR.ENVIRONMENT"
    std::string lastErrorVariable; ///< "JR.LAST_ERROR"
};
/// Replaces the configuration. Meant for start-up; a reference obtained earlier from
/// Config() stays valid (every configuration is kept for the life of the process).
void Configure(const StoreConfig& config);
/// The current configuration; until Configure is called the defaults above.
const StoreConfig& Config();

class CVariableManager {
public:
    CVariableManager();
    virtual ~CVariableManager();
    CVariableManager(const CVariableManager&) = delete;
    CVariableManager& operator=(const CVariableManager&) = delete;

    /// 0 on success, -1 when a requested persistent write failed. `section` null means
    /// the default section; `value` null or empty removes the environment variable.
    /// Only `flags` == ENV_PERSISTENT writes the settings store; a value longer than
    /// kMaxPersistentValue is then refused (-1, nothing stored, environment set).
    /// `name` null skips the environment and, with ENV_PERSISTENT, deletes the section.
    int PutEnv(const char* section, const char* name, const char* value, std::uint32_t flags);
    /// A copy of the value (give it back with ReleaseEnvString), or null. `name` null
    /// gives null. A stored value that is empty or longer than kMaxPersistentValue
    /// reads as absent.
    char* GetEnv(const char* section, const char* name, std::uint32_t flags);
    /// Convenience form of GetEnv for C++ callers.
    std::optional<std::string> Get(const char* section, const char* name, std::uint32_t flags);
    /// Sets the last-error variable in the environment only (null or empty removes
    /// it). Returns 1.
    int SetLastErrorText(const char* text);

    // Registry layer (used by GetEnv and PutEnv). These work on the root and access
    // mask that the last GetEnv/PutEnv chose (initially HKEY_LOCAL_MACHINE, read and
    // write). A null `section` means the default section.
    bool HasMachineWriteAccess();
    /// The section key under the product key (created when the access mask has write
    /// rights, else only opened).
    bool GetSectionKey(const char* section, registry::Key& key);
    /// The entry's text, or `fallback` (null: "") when it cannot be read or `entry` is
    /// null. Without a company name: the private profile file.
    std::string GetProfileString(const char* section, const char* entry, const char* fallback);
    /// entry null deletes the section key; value null deletes the value (deleting what
    /// does not exist succeeds). Without a company name: the private profile file.
    bool WriteProfileString(const char* section, const char* entry, const char* value);

private:
    class Guard;

    bool GetAppKey(registry::Key& key);
    /// Opens (access mask without write rights) or creates-or-opens a subkey.
    bool OpenOrCreateSubKey(const registry::Key& parent, const std::string& name,
                            registry::Key& out);
    /// Step 3 of PutEnv: the persistent write under the root chosen for writing.
    bool PersistValue(const char* section, const char* name, const char* value);
    /// Steps 6-7 of GetEnv: the stored value ("" when absent, empty or too long).
    std::string ReadPersistentValue(const char* section, const char* name);

    std::uint32_t accessMask_ = 0x2001F;
    registry::Root root_ = registry::Root::LocalMachine;
    std::string baseSubkey_ = "software";
    std::unique_ptr<msg::CriticalSection> lock_;
    std::atomic<std::uint32_t> waiters_{0};
};

/// Frees a value returned by GetEnv (null allowed).
void ReleaseEnvString(char* value);

/// The instance that serves the exports, actions and services of this library.
CVariableManager& MainStore();
/// The instance that the FTP client records its status variables through.
CVariableManager& FtpStore();

} // namespace ob::vars
