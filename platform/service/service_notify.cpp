#include "platform/service/service_notify.h"

#include "platform/env/environment.h"
#include "platform/lifetime/unique_fd.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>

namespace ob::service {
namespace {

std::string StateLines(ServiceState state) {
    switch (state) {
    case ServiceState::Ready:
        return "READY=1\n";
    case ServiceState::Reloading: {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const unsigned long long usec = static_cast<unsigned long long>(now.tv_sec) * 1000000ull +
                                        static_cast<unsigned long long>(now.tv_nsec) / 1000ull;
        return "RELOADING=1\nMONOTONIC_USEC=" + std::to_string(usec) + "\n";
    }
    case ServiceState::Stopping:
        return "STOPPING=1\n";
    }
    return {};
}

// Fills `address` from $NOTIFY_SOCKET; false (EINVAL) when the name does not fit or
// is not a socket name at all.
bool SocketAddress(const std::string& name, sockaddr_un& address, socklen_t& length) {
    address = {};
    address.sun_family = AF_UNIX;
    if (name.size() < 2 || name.size() >= sizeof address.sun_path ||
        (name[0] != '/' && name[0] != '@')) {
        errno = EINVAL;
        return false;
    }
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name[0] == '@') {
        address.sun_path[0] = '\0'; // the abstract namespace
    }
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    return true;
}

} // namespace

NotifyResult NotifyServiceManager(ServiceState state, std::string_view status) {
    const std::optional<std::string> socketName = env::Get("NOTIFY_SOCKET");
    if (!socketName || socketName->empty()) {
        return NotifyResult::NoManager;
    }
    sockaddr_un address;
    socklen_t length = 0;
    if (!SocketAddress(*socketName, address, length)) {
        return NotifyResult::Failed;
    }
    std::string message = StateLines(state);
    if (!status.empty()) {
        message += "STATUS=";
        message += status.substr(0, status.find('\n'));
        message += '\n';
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        return NotifyResult::Failed;
    }
    const ssize_t sent = ::sendto(fd.Get(), message.data(), message.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), length);
    return sent == static_cast<ssize_t>(message.size()) ? NotifyResult::Sent : NotifyResult::Failed;
}

} // namespace ob::service
