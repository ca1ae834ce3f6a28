#include "probe_report.h"

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ob::test {

std::string ProbePath() {
    return std::string(OB_BIN_DIR) + "/process_child_probe";
}

std::vector<std::string> ProbeReport::All(const std::string& key) const {
    std::vector<std::string> values;
    auto [first, last] = entries.equal_range(key);
    for (auto it = first; it != last; ++it) {
        values.push_back(it->second);
    }
    return values;
}

std::string ProbeReport::One(const std::string& key) const {
    auto it = entries.find(key);
    return it == entries.end() ? std::string() : it->second;
}

std::optional<std::string> ProbeReport::Env(const std::string& name) const {
    for (const std::string& entry : All("env")) {
        if (entry.rfind(name + "=", 0) == 0) {
            return entry.substr(name.size() + 1);
        }
    }
    return std::nullopt;
}

std::optional<ProbeReport> ReadProbeReport(const std::string& path,
                                           std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream file(path);
    ProbeReport report;
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t space = line.find(' ');
        report.entries.emplace(line.substr(0, space),
                               space == std::string::npos ? "" : line.substr(space + 1));
    }
    return report;
}

int TemporaryAccount::Shell(const std::string& command) {
    // The account tools exit with 1 or 10 when another process holds the lock on
    // the password or group files (tests run side by side): try again a while.
    int code = -1;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int status = std::system(command.c_str());
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (code != 1 && code != 10) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return code;
}

TemporaryAccount::TemporaryAccount() {
    if (::geteuid() != 0) {
        reason_ = "needs root to create a throw-away account";
        return;
    }
    name_ = "obt" + std::to_string(::getpid()) + "x" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
    password_ = "Pw-" + name_ + "-9z";
    if (Shell("useradd -m -s /bin/sh " + name_ + " >/dev/null 2>&1") != 0) {
        reason_ = "useradd failed";
        return;
    }
    valid_ = true;
    if (Shell("echo '" + name_ + ":" + password_ + "' | chpasswd >/dev/null 2>&1") != 0) {
        reason_ = "chpasswd failed";
        valid_ = false;
    }
}

TemporaryAccount::~TemporaryAccount() {
    if (!name_.empty() && ::geteuid() == 0) {
        Shell("userdel -r -f " + name_ + " >/dev/null 2>&1");
    }
}

std::size_t ZombieChildren() {
    std::size_t zombies = 0;
    const std::string self = std::to_string(::getpid());
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) {
        return 0;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
            continue;
        }
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text;
        std::getline(stat, text);
        const std::size_t paren = text.rfind(')');
        if (paren == std::string::npos || paren + 4 >= text.size()) {
            continue;
        }
        // "pid (comm) S ppid ..."
        const char state = text[paren + 2];
        const std::string rest = text.substr(paren + 4);
        const std::string ppid = rest.substr(0, rest.find(' '));
        if (state == 'Z' && ppid == self) {
            ++zombies;
        }
    }
    ::closedir(dir);
    return zombies;
}

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count - 1; // the iterator's own
}

} // namespace ob::test
