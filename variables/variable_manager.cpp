// The variable store: environment variables with an optional persistent copy in the
// settings store (or the private profile file when no company name is configured).
#include "variables/variable_manager.h"

#include "platform/env/environment.h"
#include "variables/env_string.h"
#include "variables/profile_file.h"

#include <cstring>
#include <memory>

namespace ob::vars {
namespace {

std::string SectionOrDefault(const char* section) {
    return section != nullptr ? std::string(section) : Config().defaultSection;
}

// The live value of a variable. An empty value counts as unset: the store itself
// never keeps one (writing an empty value removes the variable).
std::optional<std::string> EnvironmentValue(const char* name) {
    if (name == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> value = env::Get(name);
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

// Sets or (value null or empty) removes a variable. A name that the environment
// refuses leaves it unchanged; callers go on regardless.
void SetEnvironment(const char* name, const char* value) {
    if (name == nullptr) {
        return;
    }
    if (value == nullptr || *value == '\0') {
        env::Remove(name);
    } else {
        env::Set(name, value);
    }
}

// A stored value longer than the store handles reads as absent.
std::string WithinLimit(std::string value) {
    if (value.size() > kMaxPersistentValue) {
        value.clear();
    }
    return value;
}

// A section name that names a key below the product key (not the product key itself).
bool NamesSubKey(const std::string& section) {
    return section.find_first_not_of('\\') != std::string::npos;
}

bool DeletedOrAbsent(long result) {
    return result == registry::ERROR_SUCCESS || result == registry::ERROR_FILE_NOT_FOUND;
}

} // namespace

// Holds the instance's lock for a scope and counts the callers that want it.
class CVariableManager::Guard {
public:
    explicit Guard(CVariableManager& store) : store_(store) {
        store_.waiters_.fetch_add(1, std::memory_order_relaxed);
        store_.lock_->Enter();
    }
    ~Guard() {
        store_.waiters_.fetch_sub(1, std::memory_order_relaxed);
        store_.lock_->Leave();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CVariableManager& store_;
};

CVariableManager::CVariableManager() : lock_(std::make_unique<msg::CriticalSection>()) {}

CVariableManager::~CVariableManager() = default;

int CVariableManager::PutEnv(const char* section, const char* name, const char* value,
                             std::uint32_t flags) {
    try {
        Guard guard(*this);
        const std::string sectionName = SectionOrDefault(section);
        SetEnvironment(name, value);
        if (flags != ENV_PERSISTENT) {
            return 0;
        }
        return PersistValue(sectionName.c_str(), name, value) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

char* CVariableManager::GetEnv(const char* section, const char* name, std::uint32_t flags) {
    try {
        Guard guard(*this);
        if (name == nullptr || *name == '\0') {
            return nullptr;
        }
        const std::string sectionName = SectionOrDefault(section);
        const std::optional<std::string> live = EnvironmentValue(name);
        if (flags == ENV_TRANSIENT) {
            return live ? CopyEnvString(*live) : nullptr;
        }
        if ((flags & ENV_PERSISTENT) == 0) {
            return nullptr;
        }
        if ((flags & ENV_FORCE) == 0 && live) {
            return CopyEnvString(*live);
        }
        const std::string stored = ReadPersistentValue(sectionName.c_str(), name);
        if (stored.empty()) {
            return nullptr;
        }
        // The stored value enters the environment and is written back, which gives a
        // caller without machine write rights a private copy of a machine-wide value.
        // The stored value is what the caller gets, also when the environment refuses
        // the name.
        SetEnvironment(name, stored.c_str());
        PersistValue(sectionName.c_str(), name, stored.c_str());
        return CopyEnvString(stored);
    } catch (...) {
        return nullptr;
    }
}

std::optional<std::string> CVariableManager::Get(const char* section, const char* name,
                                                 std::uint32_t flags) {
    std::unique_ptr<char, void (*)(char*)> value(GetEnv(section, name, flags), ReleaseEnvString);
    if (!value) {
        return std::nullopt;
    }
    return std::string(value.get());
}

int CVariableManager::SetLastErrorText(const char* text) {
    try {
        Guard guard(*this);
        SetEnvironment(Config().lastErrorVariable.c_str(), text);
    } catch (...) {
    }
    return 1;
}

bool CVariableManager::PersistValue(const char* section, const char* name, const char* value) {
    if (name != nullptr && value != nullptr && std::strlen(value) > kMaxPersistentValue) {
        return false;
    }
    accessMask_ = registry::KEY_WRITE;
    root_ = HasMachineWriteAccess() ? registry::Root::LocalMachine : registry::Root::CurrentUser;
    return WriteProfileString(section, name, value);
}

std::string CVariableManager::ReadPersistentValue(const char* section, const char* name) {
    accessMask_ = registry::KEY_READ;
    const bool machineWritable = HasMachineWriteAccess();
    root_ = machineWritable ? registry::Root::LocalMachine : registry::Root::CurrentUser;
    std::string value = WithinLimit(GetProfileString(section, name, ""));
    if (value.empty() && !machineWritable) {
        root_ = registry::Root::LocalMachine;
        value = WithinLimit(GetProfileString(section, name, ""));
    }
    return value;
}

bool CVariableManager::HasMachineWriteAccess() {
    return registry::RootWritable(registry::Root::LocalMachine);
}

bool CVariableManager::OpenOrCreateSubKey(const registry::Key& parent, const std::string& name,
                                          registry::Key& out) {
    const long result = registry::WantsWrite(accessMask_)
                            ? parent.CreateSubKey(name, accessMask_, out)
                            : parent.OpenSubKey(name, accessMask_, out);
    return result == registry::ERROR_SUCCESS;
}

bool CVariableManager::GetAppKey(registry::Key& key) {
    const StoreConfig& config = Config();
    registry::Key software;
    long result = registry::Key::Open(root_, baseSubkey_, accessMask_, software);
    // A fresh settings database has no "software" key yet; a write creates it.
    if (result == registry::ERROR_FILE_NOT_FOUND && registry::WantsWrite(accessMask_)) {
        result = registry::Key::Create(root_, baseSubkey_, accessMask_, software);
    }
    if (result != registry::ERROR_SUCCESS) {
        return false;
    }
    registry::Key company;
    return OpenOrCreateSubKey(software, config.company, company) &&
           OpenOrCreateSubKey(company, config.product, key);
}

bool CVariableManager::GetSectionKey(const char* section, registry::Key& key) {
    try {
        Guard guard(*this);
        registry::Key app;
        return GetAppKey(app) && OpenOrCreateSubKey(app, SectionOrDefault(section), key);
    } catch (...) {
        return false;
    }
}

std::string CVariableManager::GetProfileString(const char* section, const char* entry,
                                               const char* fallback) {
    const std::string fallbackText = fallback != nullptr ? fallback : "";
    try {
        Guard guard(*this);
        if (entry == nullptr) {
            return fallbackText;
        }
        const StoreConfig& config = Config();
        const std::string sectionName = SectionOrDefault(section);
        if (config.company.empty()) {
            return ProfileFile(PrivateProfilePath(config.product))
                .Read(sectionName, entry, fallbackText);
        }
        registry::Key key;
        if (!GetSectionKey(sectionName.c_str(), key)) {
            return fallbackText;
        }
        std::string data;
        if (key.QueryValue(entry, data) != registry::ERROR_SUCCESS) {
            return fallbackText;
        }
        // The data is text: whatever follows a zero byte is not part of it.
        const std::size_t end = data.find('\0');
        if (end != std::string::npos) {
            data.resize(end);
        }
        return data;
    } catch (...) {
        return fallbackText;
    }
}

bool CVariableManager::WriteProfileString(const char* section, const char* entry,
                                          const char* value) {
    try {
        Guard guard(*this);
        const StoreConfig& config = Config();
        const std::string sectionName = SectionOrDefault(section);
        if (config.company.empty()) {
            return ProfileFile(PrivateProfilePath(config.product)).Write(sectionName, entry, value);
        }
        if (entry == nullptr) {
            // Deleting "the section" named by an empty path would take the product key
            // with every section in it.
            if (!NamesSubKey(sectionName)) {
                return false;
            }
            registry::Key app;
            return GetAppKey(app) && DeletedOrAbsent(app.DeleteSubKey(sectionName));
        }
        registry::Key key;
        if (!GetSectionKey(sectionName.c_str(), key)) {
            return false;
        }
        if (value == nullptr) {
            return DeletedOrAbsent(key.DeleteValue(entry));
        }
        return key.SetValue(entry, value, registry::REG_SZ) == registry::ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

} // namespace ob::vars
