#include "platform/fs/find_files.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::fs {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::uint32_t Attributes(const std::string& name, const struct stat& info) {
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if (!name.empty() && name[0] == '.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") {
        return true;
    }
    // Iterative matching with one backtrack point for the last "*": linear in
    // practice, never recursive.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

void SplitPath(std::string_view path, std::string& directory, std::string& name) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string_view::npos) {
        directory.clear();
        name.assign(path);
    } else {
        directory.assign(path.substr(0, slash + 1));
        name.assign(path.substr(slash + 1));
    }
}

std::vector<FindData> FindFiles(std::string_view pattern) {
    std::string directory;
    std::string namePattern;
    SplitPath(pattern, directory, namePattern);
    // Job scripts written for Windows separate directories with back slashes.
    std::string open = directory.empty() ? std::string(".") : directory;
    for (char& c : open) {
        if (c == '\\') {
            c = '/';
        }
    }
    std::vector<FindData> found;
    const int dirFd = ::open(open.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return found;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(dirFd));
    if (!dir) {
        ::close(dirFd);
        return found;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !WildcardMatch(namePattern, name)) {
            continue;
        }
        FindData data;
        data.name = name;
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0) {
            data.attributes = Attributes(name, info);
            data.size = static_cast<std::uint64_t>(info.st_size);
            data.modified = static_cast<std::int64_t>(info.st_mtime);
        } else {
            data.attributes = FILE_ATTRIBUTE_NORMAL;
        }
        found.push_back(std::move(data));
    }
    return found;
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

} // namespace ob::fs
