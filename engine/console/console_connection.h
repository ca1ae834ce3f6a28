// One client connection slot of the command server: its socket, output queue,
// input line, login state and Telnet parser state. Engine thread only (the fuzz
// target and tests use a slot on their own, without a socket).
#pragma once

#include "engine/console/console_login.h"
#include "engine/console/output_queue.h"
#include "platform/lifetime/unique_fd.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace ob::engine {

/// Login states.
inline constexpr std::uint32_t kLoggedIn = 0;
inline constexpr std::uint32_t kExpectUser = 1;
inline constexpr std::uint32_t kExpectPassword = 2;

struct ConsoleConnection {
    /// Most memory one connection's output queue may hold (OutputQueue::Memory(),
    /// its text and the chunks' bookkeeping). A client that stops reading while
    /// asking for more output is disconnected when a command takes its queue past
    /// this, so memory stays bounded (a `list -ts` of ten thousand jobs is about 2 MB).
    static constexpr std::size_t kMaxQueuedBytes = 16u << 20;
    /// Command lines received but not yet executed; more are dropped.
    static constexpr std::size_t kMaxPendingLines = 1024;

    /// The client's socket; not Valid() when the slot is free (0 is a valid descriptor).
    UniqueFd socket;
    bool paused = false;
    OutputQueue output;
    std::string inputLine;
    std::uint32_t loginState = kExpectUser;
    std::string user;
    std::string password;
    std::uint8_t telnetOption = 0;
    std::uint8_t telnetSubOption = 0;
    std::uint32_t subCount = 0;
    std::array<std::uint8_t, 16> subBuffer{};
    std::uint32_t telnetState = 0;

    /// Complete lines waiting for their command-line message, oldest first.
    std::deque<std::string> pendingLines;
    /// The login check running on a worker, if any; lines wait meanwhile.
    std::shared_ptr<LogonAttempt> logon;
    /// Set when the queue's memory outgrew kMaxQueuedBytes: the server closes the slot.
    bool overfull = false;
    /// When the slot was taken, and when the client last sent or took bytes
    /// (the login and idle time-outs; monotonic clock).
    std::chrono::steady_clock::time_point connectedAt{};
    std::chrono::steady_clock::time_point lastActivity{};

    /// Queues text to be sent after everything queued (listings, prompts).
    void QueueBack(std::string_view text);
    /// Queues text to be sent before everything queued (single-line answers).
    void QueueFront(std::string_view text);
    /// Frees the slot: socket closed, queues and line empty, Telnet state 0, login state 1.
    void Reset();
};

} // namespace ob::engine
