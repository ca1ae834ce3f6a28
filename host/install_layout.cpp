#include "host/install_layout.h"

#include "platform/fs/program_path.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace ob::host {
namespace {

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

InstallLayout LayoutFor(const std::string& prefix) {
    InstallLayout layout;
    layout.prefix = WithoutTrailingSlashes(prefix);
    layout.configDir = layout.prefix == "/usr" ? "/etc" : layout.prefix + "/etc";
    layout.jobFolder = layout.configDir + "/obrenta/jobs";
    const bool systemWide = layout.prefix == "/usr" || layout.prefix == "/usr/local";
    layout.pamService = (systemWide ? std::string("/etc") : layout.configDir) + "/pam.d/obrenta";
    layout.manifest = layout.prefix + "/share/obrenta/install_manifest.txt";
    return layout;
}

std::optional<std::string> OwnBuildTree() {
    const std::string program = fs::ProgramPath();
    const std::size_t slash = program.rfind('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::string tree = program.substr(0, slash) + "/..";
    if (!IsFile(tree + "/CMakeCache.txt")) {
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    return ::realpath(tree.c_str(), resolved) != nullptr ? std::string(resolved) : tree;
}

std::optional<std::string> BuildCacheValue(const std::string& buildTree, const std::string& name) {
    std::ifstream cache(buildTree + "/CMakeCache.txt");
    std::string line;
    while (std::getline(cache, line)) {
        // NAME:TYPE=VALUE
        const std::size_t colon = line.find(':');
        const std::size_t equals = line.find('=');
        if (colon != std::string::npos && equals != std::string::npos && colon < equals &&
            line.compare(0, colon, name) == 0 && colon == name.size()) {
            return line.substr(equals + 1);
        }
    }
    return std::nullopt;
}

} // namespace ob::host
