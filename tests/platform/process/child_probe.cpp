// A program the launch tests start: it writes what it received into the file
// named by its first argument, one "key value" line each, then exits with the
// status given as its second argument (0 when absent).
//   arg VALUE       every argument (argv[0] included), in order
//   fd N            every open descriptor
//   stdin PATH      what descriptors 0, 1 and 2 are (also stdout, stderr)
//   session SID     getsid(0), and pid PID
//   sigblk HEX      the blocked and ignored signal masks (also sigign)
//   uid N, gid N    the identity, and groups N N ...
//   cwd PATH        the current directory
//   env NAME=VALUE  every environment variable
//   nofile SOFT HARD  the descriptor limit
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string Link(const char* path) {
    char buffer[4096];
    const ssize_t n = ::readlink(path, buffer, sizeof buffer - 1);
    return n < 0 ? std::string("?") : std::string(buffer, static_cast<std::size_t>(n));
}

std::string StatusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            std::string value = line.substr(name.size() + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 100;
    }
    std::vector<int> fds;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != own) {
                fds.push_back(std::atoi(entry->d_name));
            }
        }
        ::closedir(dir);
    }
    std::string report;
    for (int i = 0; i < argc; ++i) {
        report += std::string("arg ") + argv[i] + "\n";
    }
    for (const int fd : fds) {
        report += "fd " + std::to_string(fd) + "\n";
    }
    report += "stdin " + Link("/proc/self/fd/0") + "\n";
    report += "stdout " + Link("/proc/self/fd/1") + "\n";
    report += "stderr " + Link("/proc/self/fd/2") + "\n";
    report += "session " + std::to_string(::getsid(0)) + "\n";
    report += "pid " + std::to_string(::getpid()) + "\n";
    report += "sigblk " + StatusField("SigBlk") + "\n";
    report += "sigign " + StatusField("SigIgn") + "\n";
    report += "uid " + std::to_string(::getuid()) + "\n";
    report += "gid " + std::to_string(::getgid()) + "\n";
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    report += "groups";
    for (int i = 0; i < count; ++i) {
        report += " " + std::to_string(groups[i]);
    }
    report += "\n";
    char cwd[4096];
    report += std::string("cwd ") + (::getcwd(cwd, sizeof cwd) != nullptr ? cwd : "?") + "\n";
    for (char** entry = environ; *entry != nullptr; ++entry) {
        report += std::string("env ") + *entry + "\n";
    }
    rlimit descriptors{};
    ::getrlimit(RLIMIT_NOFILE, &descriptors);
    report += "nofile " + std::to_string(descriptors.rlim_cur) + " " +
              std::to_string(descriptors.rlim_max) + "\n";
    // Written to a temporary name first, so a reader never sees half a report.
    const std::string temporary = std::string(argv[1]) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return 101;
    }
    std::fwrite(report.data(), 1, report.size(), file);
    std::fclose(file);
    std::rename(temporary.c_str(), argv[1]);
    return argc > 2 ? std::atoi(argv[2]) : 0;
}
