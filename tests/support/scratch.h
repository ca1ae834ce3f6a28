// Test support: a scratch directory removed at the end of the test, and settings
// stores pointed into it so that tests never touch the real ones.
#pragma once

#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace ob::test {

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "obtest.XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data())) {
            path_ = made;
        }
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

/// Points both settings roots at folders of `dir` (machine/ and user/) and drops
/// cached store connections; `machineReadOnly` sets OBRENTA_MACHINE_READONLY=1.
inline void UseScratchStores(const ScratchDir& dir, bool machineReadOnly = false) {
    std::filesystem::create_directories(dir.Path() / "machine");
    std::filesystem::create_directories(dir.Path() / "user");
    ob::env::Set("OBRENTA_MACHINE_DIR", (dir.Path() / "machine").string());
    ob::env::Set("OBRENTA_USER_DIR", (dir.Path() / "user").string());
    if (machineReadOnly) {
        ob::env::Set("OBRENTA_MACHINE_READONLY", "1");
    } else {
        ob::env::Remove("OBRENTA_MACHINE_READONLY");
    }
    ob::registry::ResetConnections();
}

} // namespace ob::test
