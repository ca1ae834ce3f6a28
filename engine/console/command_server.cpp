#include "engine/console/command_server.h"

#include "engine/console/console_commands.h"
#include "engine/console/console_input.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "platform/msg/message.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread_timer.h"
#include "variables/variable_manager.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
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

// A zero-timeout readability test.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// Sends without blocking and without SIGPIPE: bytes sent, 0 when the socket cannot
// take any now, -1 on an error.
long SendSome(int fd, std::string_view bytes) {
    for (;;) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            return static_cast<long>(sent);
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

// Closes a client socket gracefully: unread input is drained first, since closing
// with unread data would reset the connection and could destroy the last answer
// before the client reads it.
void CloseClient(UniqueFd socket) {
    char sink[512];
    for (int i = 0; i < 64 && ::recv(socket.Get(), sink, sizeof sink, MSG_DONTWAIT) > 0; ++i) {
    }
    ::shutdown(socket.Get(), SHUT_WR);
}

// Hands memory the allocator keeps after a large queue was freed back to the
// system: the chunks come from the engine thread's arena, which glibc would
// otherwise keep at its peak size for the life of the process.
void GiveBackMemory() {
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

// A queue this large is worth giving back when it is freed.
constexpr std::size_t kLargeQueue = 1u << 20;

std::chrono::steady_clock::time_point Monotonic() {
    return std::chrono::steady_clock::now();
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
    std::string problem;
    if (!ParsePort(*portText, port_)) {
        problem = "cs_port \"" + *portText + "\" is not a port number (0 to 65535)";
    } else {
        problem = Listen();
    }
    if (problem.empty()) {
        timeouts_ = ConsoleTimeoutSettings();
        timerId_ = msg::SetTimer(0, 0, kIdleInterval);
        interval_ = kIdleInterval;
        if (timerId_ == 0) {
            problem = "no timer is available";
        }
    }
    if (!problem.empty()) {
        CloseListener();
        // The host learns why nobody can connect; the session itself goes on.
        PostTextEvent(session, OB_EV_CONSOLE_FAILED,
                      "Commandline Server disabled: " + problem + ".");
    }
    session.ready.Set();
    return problem.empty();
}

std::string CommandServer::Listen() {
    in_addr address{};
    if (!HostAddress(address)) {
        return "the address of this computer's name is unknown";
    }
    listener_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_.Valid()) {
        return "no socket: " + std::string(std::strerror(errno));
    }
    // A restarted engine must be able to listen again at once.
    int reuse = 1;
    ::setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port_);
    local.sin_addr = address;
    if (::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(listener_.Get(), kBacklog) != 0) {
        return "cannot listen on port " + std::to_string(port_) + ": " + std::strerror(errno);
    }
    socklen_t length = sizeof local;
    if (::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        boundPort_.store(ntohs(local.sin_port));
    }
    return {};
}

void CommandServer::Stop() {
    if (timerId_ != 0) {
        msg::KillTimer(0, timerId_);
        timerId_ = 0;
    }
    CloseSockets();
}

void CommandServer::CloseSockets() {
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        if (connections_[i].socket.Valid()) {
            Close(i);
        }
        connections_[i].Reset();
    }
    connectionCount_.store(0);
    CloseListener();
}

void CommandServer::CloseListener() {
    listener_.Close();
    boundPort_.store(0);
}

bool CommandServer::HandleMessage(EngineSession& session, std::uint32_t message,
                                  std::uintptr_t wParam, std::intptr_t) {
    if (message == msg::WM_TIMER) {
        Tick(session);
        return true;
    }
    const std::size_t index = wParam;
    if (index >= connections_.size()) {
        return true;
    }
    switch (message) {
    case EM_CONSOLE_CLOSE:
        if (connections_[index].socket.Valid()) {
            Close(index);
        }
        break;
    case EM_CONSOLE_LINE:
        RunLine(session, index);
        break;
    case EM_CONSOLE_LOGON:
        FinishLogons(session);
        break;
    default:
        break;
    }
    return true;
}

void CommandServer::Tick(EngineSession& session) {
    if (listener_.Valid() && Readable(listener_.Get())) {
        AcceptOne();
    }
    // A result whose message could not be posted is picked up here.
    FinishLogons(session);
    bool busy = false;
    const auto now = Monotonic();
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        ConsoleConnection& c = connections_[i];
        if (!c.socket.Valid()) {
            continue;
        }
        if (const Expiry expiry = CheckExpiry(c, timeouts_, now); expiry != Expiry::kNone) {
            Close(i, ExpiryNotice(expiry, timeouts_));
            continue;
        }
        if (Readable(c.socket.Get())) {
            Receive(session, i);
        }
        if (c.socket.Valid() && !c.paused && !c.output.Empty()) {
            SendQueued(i);
        }
        busy = busy || (c.socket.Valid() && !c.paused && !c.output.Empty());
    }
    // 1 ms while any connection has output waiting, 250 ms otherwise.
    SetInterval(busy ? kBusyInterval : kIdleInterval);
}

void CommandServer::SetInterval(std::uint32_t interval) {
    if (interval == interval_ || timerId_ == 0) {
        return;
    }
    if (msg::SetTimer(0, timerId_, interval) != 0) {
        interval_ = interval;
    }
}

void CommandServer::AcceptOne() {
    UniqueFd fd(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!fd.Valid()) {
        return;
    }
    // Read at every connection, so that a changed setting applies without a restart.
    timeouts_ = ConsoleTimeoutSettings();
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        ConsoleConnection& c = connections_[i];
        if (!c.socket.Valid()) {
            c.Reset();
            c.socket = std::move(fd);
            c.connectedAt = c.lastActivity = Monotonic();
            ++connectionCount_;
            c.QueueBack(Greeting());
            return;
        }
    }
    // Every slot is taken: a connection that would never be served is closed at
    // once (with `fd`) rather than left hanging.
}

void CommandServer::Receive(EngineSession& session, std::size_t index) {
    ConsoleConnection& c = connections_[index];
    std::uint8_t buffer[kReceiveSize];
    const ssize_t got = ::recv(c.socket.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return;
    }
    if (got <= 0) {
        Close(index);
        return;
    }
    c.lastActivity = Monotonic();
    InputResult result;
    FeedInput(c, buffer, static_cast<std::size_t>(got), result);
    if (!result.reply.empty()) {
        SendNow(index, result.reply);
        if (!c.socket.Valid()) {
            return; // the reply failed and closed the connection
        }
    }
    for (std::string& line : result.lines) {
        if (c.pendingLines.size() >= ConsoleConnection::kMaxPendingLines) {
            break; // a client flooding lines faster than they run loses the excess
        }
        c.pendingLines.push_back(std::move(line));
        if (!msg::PostThreadMessage(session.engineThreadId, EM_CONSOLE_LINE, index, 0)) {
            c.pendingLines.pop_back();
            break;
        }
    }
}

void CommandServer::SendQueued(std::size_t index) {
    ConsoleConnection& c = connections_[index];
    // The queue's bytes in order, a chunk per send, until the budget is spent or
    // the socket takes no more (the rest waits for the next tick).
    const bool large = c.output.Memory() > kLargeQueue;
    std::size_t sentThisTick = 0;
    while (!c.output.Empty() && sentThisTick < kSendBudget) {
        const std::string_view text = c.output.Front().substr(0, kSendBudget - sentThisTick);
        const long sent = SendSome(c.socket.Get(), text);
        if (sent < 0) {
            Close(index);
            return;
        }
        if (sent == 0) {
            break;
        }
        c.output.Consume(static_cast<std::size_t>(sent));
        c.lastActivity = Monotonic();
        sentThisTick += static_cast<std::size_t>(sent);
    }
    if (large && c.output.Empty()) {
        c.output.Clear();
        GiveBackMemory();
    }
}

void CommandServer::SendNow(std::size_t index, const std::string& bytes) {
    ConsoleConnection& c = connections_[index];
    if (c.socket.Valid() && SendSome(c.socket.Get(), bytes) < 0) {
        Close(index);
    }
}

void CommandServer::RunLine(EngineSession& session, std::size_t index) {
    ConsoleConnection& c = connections_[index];
    if (!c.socket.Valid() || c.pendingLines.empty() || c.logon) {
        return; // a line waiting behind a login check runs when the check is done
    }
    std::string line = std::move(c.pendingLines.front());
    c.pendingLines.pop_front();
    ExecuteLine(session, *this, index, line);
    if (connections_[index].overfull) {
        Close(index); // the client is not reading what it asks for
    }
}

void CommandServer::BeginLogon(EngineSession& session, std::size_t index) {
    ConsoleConnection& c = connections_[index];
    c.logon = StartLogon(logonCheck_, c.user, c.password, AdminGroupSetting(),
                         session.engineThreadId, index);
    if (!c.logon) {
        // No worker free: refused like a busy resource; the client may try again.
        constexpr std::uint32_t kErrorBusy = 170;
        FinishLogon(*this, index, LogonOutcome{kErrorBusy, false});
    }
}

void CommandServer::FinishLogons(EngineSession& session) {
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        ConsoleConnection& c = connections_[i];
        if (!c.socket.Valid() || !c.logon || !c.logon->done.load(std::memory_order_acquire)) {
            continue;
        }
        const LogonOutcome outcome = c.logon->outcome;
        c.logon.reset();
        FinishLogon(*this, i, outcome);
        Requeue(session, i);
    }
}

void CommandServer::Requeue(EngineSession& session, std::size_t index) {
    // Lines typed ahead of the login result waited; give each its message again.
    // A message left over from before only runs a line sooner, in the same order.
    for (std::size_t n = connections_[index].pendingLines.size(); n > 0; --n) {
        if (!msg::PostThreadMessage(session.engineThreadId, EM_CONSOLE_LINE, index, 0)) {
            break;
        }
    }
}

void CommandServer::Close(std::size_t index, const std::string& farewell) {
    ConsoleConnection& c = connections_[index];
    const bool large = c.output.Memory() > kLargeQueue;
    if (c.socket.Valid()) {
        if (!farewell.empty()) {
            SendSome(c.socket.Get(), farewell);
        }
        CloseClient(std::move(c.socket));
        if (connectionCount_.load() > 0) {
            --connectionCount_;
        }
    }
    c.Reset();
    if (large) {
        GiveBackMemory();
    }
}

} // namespace ob::engine
