#include "platform/process/resolve_program.h"

#include "platform/env/environment.h"
#include "platform/fs/search_path.h"

#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ob::process {
namespace {

constexpr std::array<std::string_view, 4> kExtensions = {".com", ".exe", ".bat", ".cmd"};

// A file the launch can run: a regular file with execute permission for us.
bool IsProgramFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

bool HasExtension(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const std::size_t dot = last.rfind('.');
    return dot != std::string_view::npos && dot > 0;
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    const std::string current = fs::CurrentDirectory();
    return current.empty() ? path : fs::JoinPath(current, path);
}

bool Accept(std::string& name, const std::string& found) {
    std::string full = Absolute(found);
    if (full.size() > kMaxResolvedPath) {
        return false;
    }
    name = std::move(full);
    return true;
}

} // namespace

std::string FindOnSearchPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return name;
    }
    for (const std::string& directory : fs::SplitSearchPath(env::Get("PATH").value_or(""))) {
        const std::string candidate = directory + "/" + name;
        if (!directory.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string NormaliseProgramPath(std::string_view word) {
    std::string normal;
    normal.reserve(word.size());
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        normal += c;
        if (i > 0 && (c == '\\' || c == '/') && i + 1 < word.size() && word[i + 1] == c) {
            ++i; // the pair becomes one
        }
    }
    return normal;
}

bool ResolveProgram(std::string& name) {
    if (name.empty()) {
        return false;
    }
    const bool hasDirectory = name.find('/') != std::string::npos;
    const bool hasExtension = HasExtension(name);
    if (hasDirectory && hasExtension) {
        return Accept(name, name);
    }
    std::vector<std::string> candidates{name};
    if (!hasExtension) {
        for (const std::string_view extension : kExtensions) {
            candidates.push_back(name + std::string(extension));
        }
    }
    if (hasDirectory) {
        for (const std::string& candidate : candidates) {
            if (IsProgramFile(candidate) && Accept(name, candidate)) {
                return true;
            }
        }
        return false;
    }
    const std::vector<std::string> directories = fs::SearchDirectories();
    for (const std::string& candidate : candidates) {
        for (const std::string& directory : directories) {
            if (directory.empty()) {
                continue;
            }
            const std::string path = fs::JoinPath(directory, candidate);
            if (IsProgramFile(path) && Accept(name, path)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace ob::process
