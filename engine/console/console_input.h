// Turning the bytes a console client sends into command lines, one byte at a
// time: the Telnet parser sees every byte first; backspace (8) removes the last
// character; carriage return or line feed ends the line; XOFF (19) pauses output
// and XON (17) resumes it; other control bytes are ignored. A line already longer
// than 510 characters when another byte arrives ends there, that byte is dropped,
// and the line is handed on with the prefix "OVERFLOW " (cut to 510 characters),
// so a line never grows without bound. No sockets here: the server, the tests and
// the fuzz target call it on a connection slot.
#pragma once

#include "engine/console/console_connection.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ob::engine {

inline constexpr std::size_t kMaxLineLength = 510;

/// What a chunk of input produced.
struct InputResult {
    /// Bytes to send at once (Telnet replies).
    std::string reply;
    /// Complete lines in the order they ended; empty lines are not reported (an
    /// empty line gets no answer and no prompt).
    std::vector<std::string> lines;
};

/// Feeds `size` bytes to the connection's input handling.
void FeedInput(ConsoleConnection& connection, const std::uint8_t* data, std::size_t size,
               InputResult& result);

} // namespace ob::engine
