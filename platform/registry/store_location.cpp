#include "platform/registry/store_location.h"

#include "platform/env/environment.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace ob::registry::detail {
namespace {

constexpr const char* kDatabaseName = "registry.db";

std::string NonEmptyVariable(const char* name) {
    auto value = ob::env::Get(name);
    return value ? *value : std::string();
}

std::string HomeDirectory() {
    std::string home = NonEmptyVariable("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

bool Accessible(const std::string& path, int mode) {
    // AT_EACCESS checks with the effective (file-system) identity, which is what
    // opening the file will use, also under impersonation.
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

} // namespace

Store StoreOf(Root root) {
    return root == Root::CurrentUser ? Store::User : Store::Machine;
}

std::string DatabaseFile(Store store) {
    std::filesystem::path dir;
    if (store == Store::Machine) {
        dir = NonEmptyVariable("OBRENTA_MACHINE_DIR");
        if (dir.empty()) {
            dir = "/var/lib/obrenta";
        }
    } else {
        dir = NonEmptyVariable("OBRENTA_USER_DIR");
        if (dir.empty()) {
            // XDG says a relative XDG_CONFIG_HOME is invalid and to be ignored.
            const std::string config = NonEmptyVariable("XDG_CONFIG_HOME");
            if (!config.empty() && config.front() == '/') {
                dir = std::filesystem::path(config) / "obrenta";
            } else {
                const std::string home = HomeDirectory();
                if (home.empty()) {
                    return {};
                }
                dir = std::filesystem::path(home) / ".config" / "obrenta";
            }
        }
    }
    return (dir / kDatabaseName).string();
}

bool MachineMarkedReadOnly() {
    const auto value = ob::env::Get("OBRENTA_MACHINE_READONLY");
    return value && *value == "1";
}

bool DatabaseFileWritable(const std::string& file) {
    if (file.empty()) {
        return false;
    }
    std::filesystem::path dir = std::filesystem::path(file).parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        return S_ISREG(info.st_mode) && Accessible(file, R_OK | W_OK) &&
               Accessible(dir.string(), W_OK | X_OK);
    }
    // Not there yet: writable when the missing directories and the file can be
    // made under the nearest existing ancestor.
    while (::stat(dir.c_str(), &info) != 0) {
        std::filesystem::path parent = dir.parent_path();
        if (parent.empty()) {
            parent = "."; // a relative directory grows from the current one
        }
        if (parent == dir) {
            return false;
        }
        dir = parent;
    }
    return S_ISDIR(info.st_mode) && Accessible(dir.string(), W_OK | X_OK);
}

} // namespace ob::registry::detail
