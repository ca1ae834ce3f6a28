#include "platform/desktop/x_connection.h"

#include "platform/env/environment.h"
#include "platform/lifetime/unique_fd.h"

#include <X11/Xlib.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <unordered_map>

namespace ob::desktop {
namespace {

struct DisplayRecord {
    bool recordErrors = false;
    bool error = false;
    bool lost = false;
};

std::mutex& RecordsLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<Display*, DisplayRecord>& Records() {
    static auto* records = new std::unordered_map<Display*, DisplayRecord>; // never destroyed
    return *records;
}

std::atomic<XErrorHandler> previousErrorHandler{nullptr};

int OnProtocolError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard<std::mutex> hold(RecordsLock());
        auto found = Records().find(display);
        if (found != Records().end() && found->second.recordErrors) {
            found->second.error = true;
            return 0;
        }
    }
    const XErrorHandler previous = previousErrorHandler.load();
    return previous != nullptr ? previous(display, event) : 0;
}

int OnConnectionLost(Display* display) {
    std::lock_guard<std::mutex> hold(RecordsLock());
    Records()[display].lost = true;
    return 0;
}

// Xlib calls this after the handler above; returning (instead of exit()) leaves
// the connection marked broken, and every later request on it does nothing.
void OnConnectionLostExit(Display* display, void* /*data*/) {
    OnConnectionLost(display);
}

bool ConnectWithin(int domain, const sockaddr* address, socklen_t length,
                   std::chrono::milliseconds timeout, std::string& problem) {
    UniqueFd fd(::socket(domain, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        problem = std::strerror(errno);
        return false;
    }
    if (::connect(fd.Get(), address, length) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        problem = std::strerror(errno);
        return false;
    }
    pollfd wait{fd.Get(), POLLOUT, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        problem = ready == 0 ? "no answer in time" : std::strerror(errno);
        return false;
    }
    int error = 0;
    socklen_t size = sizeof(error);
    ::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
        problem = std::strerror(error);
        return false;
    }
    return true;
}

bool ProbeLocal(const std::string& number, std::chrono::milliseconds timeout,
                std::string& problem) {
    const std::string path = "/tmp/.X11-unix/X" + number;
    // Xlib tries the abstract name first, then the file.
    for (const bool abstract : {true, false}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = abstract ? 1 : 0;
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        if (ConnectWithin(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, timeout,
                          problem)) {
            return true;
        }
    }
    return false;
}

bool ProbeTcp(const std::string& host, const std::string& number, std::chrono::milliseconds timeout,
              std::string& problem) {
    const std::string port = std::to_string(6000 + std::stoi(number));
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0) {
        problem = ::gai_strerror(rc);
        return false;
    }
    bool reached = false;
    for (addrinfo* at = found; at != nullptr && !reached; at = at->ai_next) {
        reached = ConnectWithin(at->ai_family, at->ai_addr, at->ai_addrlen, timeout, problem);
    }
    ::freeaddrinfo(found);
    return reached;
}

} // namespace

std::string DisplayName() {
    return env::Get("DISPLAY").value_or("");
}

bool ProbeDisplaySocket(const std::string& name, std::chrono::milliseconds timeout,
                        std::string& problem) {
    std::string rest = name;
    std::string protocol;
    const std::size_t slash = rest.find('/');
    const std::size_t colon = rest.rfind(':');
    if (!rest.empty() && rest[0] == '/') {
        return true; // a socket path of the system's own launcher: left to Xlib
    }
    if (slash != std::string::npos && slash < colon) {
        protocol = rest.substr(0, slash);
        rest = rest.substr(slash + 1);
    }
    const std::size_t separator = rest.rfind(':');
    if (separator == std::string::npos || separator + 1 >= rest.size()) {
        problem = "\"" + name + "\" is not a display name";
        return false;
    }
    std::string host = rest.substr(0, separator);
    std::string number = rest.substr(separator + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.size() > 5 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        problem = "\"" + name + "\" is not a display name";
        return false;
    }
    if (!host.empty() && host.back() == ':') {
        problem = "DECnet displays are not supported";
        return false;
    }
    if (protocol == "unix" || (protocol.empty() && (host.empty() || host == "unix"))) {
        return ProbeLocal(number, timeout, problem);
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return ProbeTcp(host.empty() ? "localhost" : host, number, timeout, problem);
}

void InstallErrorHandlers() {
    static std::mutex once;
    std::lock_guard<std::mutex> hold(once);
    const XErrorHandler previous = XSetErrorHandler(OnProtocolError);
    if (previous != OnProtocolError) {
        previousErrorHandler = previous;
    }
    XSetIOErrorHandler(OnConnectionLost);
}

void AdoptDisplay(Display* display, bool recordErrors) {
    {
        std::lock_guard<std::mutex> hold(RecordsLock());
        Records()[display] = DisplayRecord{recordErrors, false, false};
    }
    XSetIOErrorExitHandler(display, OnConnectionLostExit, nullptr);
}

void ForgetDisplay(Display* display) {
    std::lock_guard<std::mutex> hold(RecordsLock());
    Records().erase(display);
}

bool DisplayLost(Display* display) {
    std::lock_guard<std::mutex> hold(RecordsLock());
    auto found = Records().find(display);
    return found != Records().end() && found->second.lost;
}

std::recursive_mutex& XOpenLock() {
    static auto* lock = new std::recursive_mutex; // never destroyed
    return *lock;
}

XConnection::~XConnection() {
    if (display_ != nullptr) {
        ForgetDisplay(display_);
        std::lock_guard<std::recursive_mutex> hold(XOpenLock());
        XCloseDisplay(display_);
    }
}

DisplayStatus XConnection::Open() {
    const std::string name = DisplayName();
    if (name.empty()) {
        problem_ = "DISPLAY is not set.";
        return DisplayStatus::NotSet;
    }
    std::string reason;
    if (!ProbeDisplaySocket(name, kProbeTimeout, reason)) {
        problem_ = "Cannot reach the X display " + name + ": " + reason + ".";
        return DisplayStatus::Unreachable;
    }
    InstallErrorHandlers();
    {
        std::lock_guard<std::recursive_mutex> hold(XOpenLock());
        display_ = XOpenDisplay(name.c_str());
    }
    if (display_ == nullptr) {
        problem_ = "The X display " + name + " refused the connection.";
        return DisplayStatus::Refused;
    }
    AdoptDisplay(display_, true);
    return DisplayStatus::Ok;
}

bool XConnection::Alive() const {
    return display_ != nullptr && !DisplayLost(display_);
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    std::lock_guard<std::mutex> hold(RecordsLock());
    Records()[display_].error = false;
}

ErrorTrap::~ErrorTrap() = default;

bool ErrorTrap::Failed() {
    XSync(display_, False);
    std::lock_guard<std::mutex> hold(RecordsLock());
    DisplayRecord& record = Records()[display_];
    const bool failed = record.error || record.lost;
    record.error = false;
    return failed;
}

} // namespace ob::desktop
