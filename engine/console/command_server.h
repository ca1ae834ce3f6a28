// The command server's state and its start and stop handlers.
//
// The server belongs to one session and runs on its engine thread: the thread's
// loop hands it the start and stop messages and its own timer. Start reads the
// port from the persistent variable `cs_port` (section "Communication"), binds a
// listening socket to the IPv4 address of the host's name and listens with a
// backlog of 4. The connection handling (greeting, login, commands) builds on this
// state. Engine thread only, except Port(), which tests may read after start-up.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

struct EngineSession;

namespace ob::engine {

/// One client connection slot.
struct ConsoleConnection {
    int socket = 0; ///< 0 when the slot is free
    bool paused = false;
    std::deque<std::string> output;
    std::string inputLine;
    std::uint32_t loginState = 1;
    std::string user;
    std::string password;
    std::uint8_t telnetOption = 0;
    std::uint8_t telnetSubOption = 0;
    std::uint32_t subCount = 0;
    std::array<std::uint8_t, 16> subBuffer{};
    std::uint32_t telnetState = 0;
};

class CommandServer {
public:
    static constexpr std::uint32_t kIdleInterval = 250;
    static constexpr std::uint32_t kBusyInterval = 1;
    static constexpr int kBacklog = 4;

    CommandServer() = default;
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    /// The start message: true when the handler succeeded. Signals the session's
    /// ready event in every case except a missing `cs_port`.
    bool Start(EngineSession& session);
    /// The stop message: kills the timer and closes every socket.
    void Stop();
    /// Messages for the connection handler (close, command line) and the timer
    /// tick; false reports a failure of the server.
    bool HandleMessage(EngineSession& session, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

    bool Disabled() const { return disabled_; }
    void Disable() { disabled_ = true; }
    std::uintptr_t TimerId() const { return timerId_; }
    /// The port actually listened on (after start-up; 0 before or on failure).
    std::uint16_t Port() const { return boundPort_.load(); }

private:
    void CloseSockets();
    void CloseListener();

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<std::uint16_t> boundPort_{0};
    std::uint32_t connectionCount_ = 0;
    std::uint32_t interval_ = 0;
    std::uintptr_t timerId_ = 0;
    bool disabled_ = false;
    std::array<ConsoleConnection, 4> connections_{};
};

} // namespace ob::engine
