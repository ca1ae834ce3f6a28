#include "setup/install_directory.h"

#include <mutex>

namespace ob::setup {
namespace {

struct Remembered {
    std::mutex mutex;
    std::string directory;
};

Remembered& State() {
    static Remembered remembered; // the library's exports never run after unloading
    return remembered;
}

std::string ReadProperty(installer::MsiHandle install, const char* name) {
    char buffer[kMaxInstallDirectory + 1] = {};
    std::uint32_t length = sizeof buffer;
    if (installer::MsiGetProperty(install, name, buffer, &length) != installer::ERROR_SUCCESS) {
        return {}; // missing session, or a value too long for the buffer
    }
    return std::string(buffer, length);
}

} // namespace

std::string RememberInstallDirectory(const char* directory) {
    std::string text = directory == nullptr ? std::string() : std::string(directory);
    if (text.size() > kMaxInstallDirectory) {
        text.clear();
    }
    Remembered& state = State();
    std::lock_guard<std::mutex> hold(state.mutex);
    state.directory = text;
    return text;
}

std::string InstallDirectory() {
    Remembered& state = State();
    std::lock_guard<std::mutex> hold(state.mutex);
    return state.directory;
}

std::string ResolveInstallDirectory(installer::MsiHandle install) {
    std::string directory = ReadProperty(install, "INSTALLDIR");
    if (directory.empty()) {
        directory = ReadProperty(install, "InstallLocation");
    }
    return directory;
}

std::string InDirectory(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    path += name;
    return path;
}

} // namespace ob::setup
