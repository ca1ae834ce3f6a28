#include "platform/control/host_endpoint.h"

#include "platform/env/environment.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ob::control {
namespace {

constexpr std::string_view kPrefix = "host-";
constexpr std::string_view kSuffix = ".sock";
constexpr std::size_t kMaxLine = 256;
constexpr int kRequestWaitMs = 1000;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

std::int64_t MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reads one line (without its end) within `waitMs`; false on a timeout, an end
// before the line is complete, or a line longer than kMaxLine.
bool ReadLine(int fd, int waitMs, std::string& line) {
    const std::int64_t deadline = MonotonicMs() + waitMs;
    line.clear();
    for (;;) {
        const auto newline = line.find('\n');
        if (newline != std::string::npos) {
            line.resize(newline);
            return true;
        }
        if (line.size() > kMaxLine) {
            return false;
        }
        const std::int64_t left = deadline - MonotonicMs();
        pollfd ready{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0) {
            return false;
        }
        char buffer[kMaxLine];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0) {
            return false;
        }
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            return false;
        }
        line.append(buffer, static_cast<std::size_t>(got));
    }
}

bool SendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

template <typename Number> bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "MESSAGE WPARAM LPARAM" split into its three words.
bool ParseRequest(std::string_view line, std::string& message, std::uint64_t& wParam,
                  std::int64_t& lParam) {
    const auto first = line.find(' ');
    const auto second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (first == 0 || second == std::string_view::npos) {
        return false;
    }
    message = line.substr(0, first);
    return ParseNumber(line.substr(first + 1, second - first - 1), wParam) &&
           ParseNumber(line.substr(second + 1), lParam);
}

// Only this user and root may talk to a host.
bool PeerAllowed(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        return false;
    }
    return peer.uid == 0 || peer.uid == ::geteuid();
}

UniqueFd Connect(const std::string& path, int& error) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        error = ENAMETOOLONG;
        return UniqueFd();
    }
    // Without blocking: a host busy shutting down has a full backlog (EAGAIN), and
    // waiting for it to accept would hang the caller.
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) {
        error = errno;
        return fd;
    }
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
        return UniqueFd();
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    error = 0;
    return fd;
}

} // namespace

std::string EndpointDirectory() {
    if (const auto chosen = env::Get("OBRENTA_RUNTIME_DIR"); chosen && !chosen->empty()) {
        return *chosen;
    }
    if (::geteuid() == 0) {
        return "/run/obrenta";
    }
    if (const auto runtime = env::Get("XDG_RUNTIME_DIR"); runtime && !runtime->empty()) {
        return *runtime + "/obrenta";
    }
    return "/tmp/obrenta-" + std::to_string(::geteuid());
}

bool PrepareEndpointDirectory(const std::string& directory, std::string& problem) {
    if (directory.empty()) {
        problem = "no folder for host endpoints";
        return false;
    }
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "cannot create " + directory + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(directory.c_str(), &info) != 0) {
        problem = "cannot examine " + directory + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        problem = directory + " is not a private folder of this user";
        return false;
    }
    return true;
}

EndpointListener::~EndpointListener() {
    Close();
}

bool EndpointListener::Open(const std::string& directory, std::string& problem) {
    Close();
    if (!PrepareEndpointDirectory(directory, problem)) {
        return false;
    }
    const std::string name = std::string(kPrefix) + std::to_string(::getpid());
    const std::string path = directory + "/" + name + std::string(kSuffix);
    const std::string binding = directory + "/." + name + ".new";
    sockaddr_un address;
    if (!MakeAddress(path, address) || !MakeAddress(binding, address)) {
        problem = "the endpoint path " + path + " is too long";
        return false;
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    ::unlink(binding.c_str());
    if (!fd.Valid() ||
        ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.Get(), 8) != 0 || ::rename(binding.c_str(), path.c_str()) != 0) {
        problem = "cannot listen at " + path + ": " + std::strerror(errno);
        ::unlink(binding.c_str());
        return false;
    }
    socket_ = std::move(fd);
    path_ = path;
    return true;
}

void EndpointListener::Serve(const RequestHandler& handler) {
    if (!socket_.Valid()) {
        return;
    }
    for (;;) {
        UniqueFd client(::accept4(socket_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.Valid()) {
            return; // EAGAIN: nobody else is waiting
        }
        std::string line;
        if (!PeerAllowed(client.Get()) || !ReadLine(client.Get(), kRequestWaitMs, line)) {
            continue;
        }
        std::string message;
        std::uint64_t wParam = 0;
        std::int64_t lParam = 0;
        const std::int64_t answer =
            ParseRequest(line, message, wParam, lParam) ? handler(message, wParam, lParam) : 0;
        SendAll(client.Get(), std::to_string(answer) + "\n");
    }
}

void EndpointListener::Close() {
    if (socket_.Valid()) {
        ::unlink(path_.c_str());
        socket_.Close();
    }
    path_.clear();
}

std::vector<std::string> ListEndpoints(const std::string& directory) {
    std::vector<std::string> paths;
    DIR* folder = ::opendir(directory.c_str());
    if (folder == nullptr) {
        return paths;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() > kPrefix.size() + kSuffix.size() && name.starts_with(kPrefix) &&
            name.ends_with(kSuffix)) {
            paths.push_back(directory + "/" + std::string(name));
        }
    }
    ::closedir(folder);
    std::sort(paths.begin(), paths.end());
    return paths;
}

RequestOutcome SendEndpointRequest(const std::string& path, std::string_view message,
                                   std::uint64_t wParam, std::int64_t lParam,
                                   std::chrono::milliseconds timeout, std::int64_t& answer) {
    int error = 0;
    UniqueFd fd = Connect(path, error);
    if (!fd.Valid()) {
        if (error == ECONNREFUSED) {
            ::unlink(path.c_str()); // a socket file left behind by a host that ended
        }
        return error == ECONNREFUSED || error == ENOENT ? RequestOutcome::Gone
                                                        : RequestOutcome::NoAnswer;
    }
    const std::string request =
        std::string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam) + "\n";
    std::string line;
    if (!SendAll(fd.Get(), request) ||
        !ReadLine(fd.Get(), static_cast<int>(timeout.count()), line) ||
        !ParseNumber(std::string_view(line), answer)) {
        return RequestOutcome::NoAnswer;
    }
    return RequestOutcome::Answered;
}

bool EndpointAlive(const std::string& path) {
    int error = 0;
    return Connect(path, error).Valid() || error == EAGAIN; // EAGAIN: listening, but busy
}

} // namespace ob::control
