#include "vbscript/objects/xdg_user_dirs.h"

#include "vbscript/objects/file_path.h"

#include "platform/env/environment.h"
#include "platform/lifetime/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace ob::vbscript::objects {
namespace {

constexpr std::string_view kHomeVariable = "$HOME";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

/// The value between the quotes of `"..."`, escapes removed; false when the text
/// is not one quoted value.
bool Unquote(std::string_view text, std::string& value) {
    if (text.size() < 2 || text.front() != '"') {
        return false;
    }
    value.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            value.push_back(text[++i]);
        } else if (c == '"') {
            return Trim(text.substr(i + 1)).empty();
        } else {
            value.push_back(c);
        }
    }
    return false; // no closing quote
}

std::string ReadSmallFile(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd.Valid()) {
        return text;
    }
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || text.size() > (1u << 20)) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

std::string AbsoluteVariable(const char* name, std::string_view fallback) {
    const std::string value = env::Get(name).value_or("");
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    return JoinPath(HomeFolder(), fallback);
}

} // namespace

std::map<std::string, std::string> ParseUserDirs(std::string_view text, std::string_view home) {
    std::map<std::string, std::string> dirs;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        std::string value;
        if (key.empty() || !Unquote(Trim(line.substr(equals + 1)), value)) {
            continue;
        }
        if (value.rfind(kHomeVariable, 0) == 0 &&
            (value.size() == kHomeVariable.size() || value[kHomeVariable.size()] == '/')) {
            const std::string rest = value.substr(kHomeVariable.size());
            value = rest.size() <= 1 ? std::string(home) : JoinPath(home, rest.substr(1));
        } else if (value.empty() || value.front() != '/') {
            continue;
        }
        dirs[std::string(key)] = value;
    }
    return dirs;
}

std::string HomeFolder() {
    const std::string home = env::Get("HOME").value_or("");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
        return found->pw_dir;
    }
    return "/";
}

std::string ConfigHome() {
    return AbsoluteVariable("XDG_CONFIG_HOME", ".config");
}

std::string DataHome() {
    return AbsoluteVariable("XDG_DATA_HOME", ".local/share");
}

std::string UserDir(std::string_view key, std::string_view fallback) {
    const std::string home = HomeFolder();
    const auto dirs = ParseUserDirs(ReadSmallFile(JoinPath(ConfigHome(), "user-dirs.dirs")), home);
    const auto found = dirs.find(std::string(key));
    return found != dirs.end() ? found->second : JoinPath(home, fallback);
}

} // namespace ob::vbscript::objects
