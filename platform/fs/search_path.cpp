#include "platform/fs/search_path.h"

#include "platform/env/environment.h"
#include "platform/fs/program_path.h"

#include <sys/stat.h>
#include <unistd.h>

namespace ob::fs {
namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string JoinPath(const std::string& directory, std::string_view name) {
    std::string path = directory;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path.append(name);
    return path;
}

std::string CurrentDirectory() {
    std::string buffer(kMaxSearchedPath, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        return {};
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::vector<std::string> SplitSearchPath(std::string_view path) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        entries.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::vector<std::string> SearchDirectories() {
    std::vector<std::string> directories;
    const std::string program = ProgramPath();
    const std::size_t slash = program.rfind('/');
    if (slash != std::string::npos) {
        directories.push_back(slash == 0 ? "/" : program.substr(0, slash));
    }
    const std::string current = CurrentDirectory();
    if (!current.empty()) {
        directories.push_back(current);
    }
    for (std::string& entry : SplitSearchPath(env::Get("PATH").value_or(""))) {
        // An empty PATH entry is the current directory, as the shells read it.
        directories.push_back(entry.empty() ? current : std::move(entry));
    }
    return directories;
}

std::optional<std::string> SearchFile(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> candidates;
    if (name.find('/') != std::string_view::npos) {
        candidates.emplace_back(name.front() == '/' ? std::string(name)
                                                    : JoinPath(CurrentDirectory(), name));
    } else {
        for (const std::string& directory : SearchDirectories()) {
            if (!directory.empty()) {
                candidates.push_back(JoinPath(directory, name));
            }
        }
    }
    for (const std::string& candidate : candidates) {
        if (candidate.size() <= kMaxSearchedPath && IsRegularFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace ob::fs
