#include "engine/console/command_server.h"

#include "engine/engine_session.h"
#include "engine/variables/variable_manager.h"
#include "platform/msg/thread_timer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ob::engine {
namespace {

// Parses the whole text as a port number; false for anything else (a port that
// would wrap around 16 bits is refused rather than bound somewhere unexpected).
bool ParsePort(const std::string& text, std::uint16_t& port) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// The IPv4 address of the host's own name (often 127.0.1.1 on Debian).
bool HostAddress(in_addr& address) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

} // namespace

CommandServer::~CommandServer() {
    // The timer belonged to the engine thread, which has ended; only the sockets
    // are left to close.
    CloseSockets();
}

bool CommandServer::Start(EngineSession& session) {
    const auto portText = vars::MainStore().Get("Communication", "cs_port", vars::ENV_PERSISTENT);
    if (!portText) {
        return false; // the ready event stays unsignalled: start-up times out
    }
    bool ok = ParsePort(*portText, port_);
    in_addr address{};
    ok = ok && HostAddress(address);
    if (ok) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ok = listener_ >= 0;
    }
    if (ok) {
        // A restarted engine must be able to listen again at once.
        int reuse = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port_);
        local.sin_addr = address;
        ok = ::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
             ::listen(listener_, kBacklog) == 0;
        socklen_t length = sizeof local;
        if (ok && ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
            boundPort_.store(ntohs(local.sin_port));
        }
    }
    if (ok) {
        timerId_ = msg::SetTimer(0, 0, kIdleInterval);
        interval_ = kIdleInterval;
        ok = timerId_ != 0;
    }
    if (!ok) {
        CloseListener();
    }
    session.ready.Set();
    return ok;
}

void CommandServer::Stop() {
    if (timerId_ != 0) {
        msg::KillTimer(0, timerId_);
        timerId_ = 0;
    }
    CloseSockets();
}

void CommandServer::CloseSockets() {
    for (ConsoleConnection& connection : connections_) {
        if (connection.socket > 0) {
            ::close(connection.socket);
        }
        connection = ConsoleConnection{};
    }
    connectionCount_ = 0;
    CloseListener();
}

bool CommandServer::HandleMessage(EngineSession&, std::uint32_t, std::uintptr_t, std::intptr_t) {
    // The console's connections are served by its own handler; with no client
    // connected there is nothing to do.
    return true;
}

void CommandServer::CloseListener() {
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
    boundPort_.store(0);
}

} // namespace ob::engine
