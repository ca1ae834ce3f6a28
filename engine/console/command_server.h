// The command server: a small Telnet console on a TCP port.
//
// The server belongs to one session and runs on its engine thread: the thread's
// loop hands it the start and stop messages, its command-line, close and logon
// messages and its own timer. Start reads the port from the persistent variable
// `cs_port` (section "Communication"), binds a listening socket to the IPv4 address
// of the host's name and listens with a backlog of 4. Each timer tick accepts at
// most one client, reads what clients sent (console_input.h turns the bytes into
// lines, posted back to the engine thread as command-line messages), sends each
// connection's queued bytes in order until the socket would block or kSendBudget
// bytes went out, and closes connections that ran out of time (console_timeouts.h).
// A connection whose queue held much memory gives it back to the system when the
// queue is freed. Commands run in console_commands.cpp.
//
// Nothing here blocks the engine thread: sockets are non-blocking and sends use
// MSG_NOSIGNAL; the account check of a login (PAM may sleep seconds on a wrong
// password) runs on a short-lived worker thread that posts EM_CONSOLE_LOGON back
// (console_login.h).
//
// Engine thread only, except Port() and ConnectionCount(), which tests may read
// from any thread, and SetLogonCheck(), which must be called before clients connect.
#pragma once

#include "engine/console/console_connection.h"
#include "engine/console/console_login.h"
#include "engine/console/console_timeouts.h"
#include "platform/lifetime/unique_fd.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ob::engine {

struct EngineSession;

/// Private message: a worker finished a login check (wParam: connection number).
inline constexpr std::uint32_t EM_CONSOLE_LOGON = 1037;

class CommandServer {
public:
    static constexpr std::uint32_t kIdleInterval = 250;
    static constexpr std::uint32_t kBusyInterval = 1;
    static constexpr int kBacklog = 4;
    static constexpr std::size_t kConnections = 4;
    /// Bytes read from one connection per tick.
    static constexpr std::size_t kReceiveSize = 254;
    /// Bytes sent to one connection per tick at most, so that a long listing to
    /// one client leaves the engine thread free for the jobs' tick in between.
    static constexpr std::size_t kSendBudget = 64 * 1024;

    CommandServer() = default;
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    /// The start message: true when the handler succeeded. Signals the session's
    /// ready event in every case except a missing `cs_port`. A port that cannot be
    /// used (not a number 0..65535, or one that cannot be bound) leaves the console
    /// disabled and tells the host why (event 2017, OB_EV_CONSOLE_FAILED).
    bool Start(EngineSession& session);
    /// The stop message: kills the timer and closes every socket.
    void Stop();
    /// Messages for the connection handler (close, command line, logon result) and
    /// the timer tick; false reports a failure of the server.
    bool HandleMessage(EngineSession& session, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

    bool Disabled() const { return disabled_; }
    void Disable() { disabled_ = true; }
    std::uintptr_t TimerId() const { return timerId_; }
    /// The port actually listened on (after start-up; 0 before or on failure).
    std::uint16_t Port() const { return boundPort_.load(); }
    /// Connections currently occupying a slot (any thread; tests poll it).
    std::uint32_t ConnectionCount() const { return connectionCount_.load(); }

    /// Replaces the account check of the login (tests); the default asks PAM.
    void SetLogonCheck(LogonCheck check) { logonCheck_ = std::move(check); }

    // Used by the command handlers (engine thread).
    ConsoleConnection& Connection(std::size_t index) { return connections_[index]; }
    /// Closes the connection's socket (after sending `farewell` if it can) and
    /// resets its slot.
    void Close(std::size_t index, const std::string& farewell = {});
    /// Starts the account check of a connection's user and password on a worker.
    void BeginLogon(EngineSession& session, std::size_t index);
    /// Sends bytes at once (Telnet replies); what the socket cannot take is dropped.
    void SendNow(std::size_t index, const std::string& bytes);

private:
    void Tick(EngineSession& session);
    void AcceptOne();
    void Receive(EngineSession& session, std::size_t index);
    void SendQueued(std::size_t index);
    /// Why the listening socket could not be set up ("" when it was).
    std::string Listen();
    void RunLine(EngineSession& session, std::size_t index);
    void FinishLogons(EngineSession& session);
    void Requeue(EngineSession& session, std::size_t index);
    void SetInterval(std::uint32_t interval);
    void CloseSockets();
    void CloseListener();

    UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::atomic<std::uint16_t> boundPort_{0};
    std::atomic<std::uint32_t> connectionCount_{0};
    std::uint32_t interval_ = 0;
    std::uintptr_t timerId_ = 0;
    bool disabled_ = false;
    std::array<ConsoleConnection, kConnections> connections_{};
    LogonCheck logonCheck_ = PamLogonCheck;
    ConsoleTimeouts timeouts_;
};

} // namespace ob::engine
