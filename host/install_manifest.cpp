#include "host/install_manifest.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <set>
#include <unistd.h>

namespace ob::host {
namespace {

bool Inside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

} // namespace

std::optional<std::vector<std::string>> ReadManifest(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> files;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '/') {
            files.push_back(line);
        }
    }
    return files;
}

RemovalReport RemoveInstalledFiles(const std::vector<std::string>& files,
                                   const InstallLayout& layout) {
    std::set<std::string> shared = {layout.prefix, layout.configDir, layout.configDir + "/pam.d"};
    for (const char* folder :
         {"bin", "lib", "lib/systemd", "lib/systemd/system", "include", "share", "share/doc",
          "share/man", "share/man/man1", "share/man/man5", "share/man/man8"}) {
        shared.insert(layout.prefix + "/" + folder);
    }
    RemovalReport report;
    std::set<std::string> folders;
    for (const std::string& file : files) {
        if (Inside(file, layout.jobFolder)) {
            report.kept.push_back(file);
            continue;
        }
        if (::unlink(file.c_str()) == 0 || errno == ENOENT) {
            report.removed.push_back(file);
        } else {
            report.failed.push_back(file);
        }
        for (std::string folder = file.substr(0, file.rfind('/'));
             !shared.contains(folder) &&
             (Inside(folder, layout.prefix) || Inside(folder, layout.configDir));
             folder = folder.substr(0, folder.rfind('/'))) {
            folders.insert(folder);
        }
    }
    // Deepest first, so that a folder's empty subfolders are gone before it is tried.
    std::vector<std::string> ordered(folders.begin(), folders.end());
    std::sort(ordered.begin(), ordered.end(), [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
    });
    for (const std::string& folder : ordered) {
        ::rmdir(folder.c_str()); // fails, as it should, when something else is inside
    }
    return report;
}

} // namespace ob::host
