// Random byte streams into one console connection's input handling and Telnet
// parser (no sockets). The stream is cut into chunks at the positions the first
// bytes choose, as receives would cut it. Checks that the input line, the
// sub-negotiation buffer and the replies stay bounded, that every line handed on
// is at most 510 characters and holds no control bytes, and that replies are
// whole IAC commands.
//
// Run: build-fuzz/bin/console_input_fuzz -max_total_time=60

#include "engine/console/console_connection.h"
#include "engine/console/console_input.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ob::engine;
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = 1 + data[0] % 254;
    ++data;
    --size;
    ConsoleConnection connection;
    for (std::size_t at = 0; at < size; at += chunk) {
        const std::size_t n = size - at < chunk ? size - at : chunk;
        InputResult result;
        FeedInput(connection, data + at, n, result);
        for (const std::string& line : result.lines) {
            if (line.empty() || line.size() > kMaxLineLength) {
                std::abort();
            }
            for (unsigned char c : line) {
                if (c < 32) {
                    std::abort();
                }
            }
        }
        if (result.reply.size() % 3 != 0 || result.reply.size() > 3 * n) {
            std::abort();
        }
        for (std::size_t i = 0; i < result.reply.size(); i += 3) {
            if (static_cast<unsigned char>(result.reply[i]) != 255) {
                std::abort();
            }
        }
        if (connection.inputLine.size() > kMaxLineLength + 1 || connection.subCount > size) {
            std::abort();
        }
    }
    return 0;
}
