// A Telnet client for the console tests: connects to the console over TCP at the
// address of the host's name (where the server listens), sends raw bytes and
// reads what the server sends, pumping the test host's messages while it waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace ob::test {

class ConsoleClient {
public:
    using Pump = std::function<void()>;

    ConsoleClient(std::uint16_t port, Pump pump);
    ~ConsoleClient();
    ConsoleClient(const ConsoleClient&) = delete;
    ConsoleClient& operator=(const ConsoleClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    bool Send(const std::string& bytes);
    /// Reads until `size` bytes are buffered or `timeout` passes; then takes up to
    /// `size` bytes from the buffer.
    std::string Read(std::size_t size,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Reads until the buffer contains `text` (and returns everything up to and
    /// including it) or `timeout` passes (and returns "" leaving the buffer).
    std::string ReadUntil(const std::string& text,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Everything that arrives within `duration`.
    std::string ReadFor(std::chrono::milliseconds duration);
    /// True when the server closed the connection within `timeout` (after any data).
    bool WaitClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Logs in with a user and password, the greeting read first; true at the prompt.
    bool Login(const std::string& user, const std::string& password);

private:
    // Waits up to `wait` for data; false when the peer has closed.
    bool Fill(std::chrono::milliseconds wait);

    int fd_ = -1;
    bool closed_ = false;
    std::string buffer_;
    Pump pump_;
};

/// The host's name as the prompt shows it.
std::string LocalHostName();
/// "OB:<host>> ".
std::string HostPrompt();

} // namespace ob::test
