// Random byte streams into one console connection's input handling and Telnet
// parser (no sockets). The stream is cut into chunks at the positions the first
// bytes choose, as receives would cut it. Checks that the input line, the
// sub-negotiation buffer and the replies stay bounded, that every line handed on
// is at most 510 characters and holds no control bytes, and that replies are
// whole IAC commands. The lines are then queued as output (at the back, or at the
// front when the chunk's first byte is odd) and sent in pieces the bytes choose;
// what leaves the queue must be exactly the queued text in order.
//
// Run: build-fuzz/bin/console_input_fuzz -max_total_time=60

#include "engine/console/console_connection.h"
#include "engine/console/console_input.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ob::engine;
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = 1 + data[0] % 254;
    ++data;
    --size;
    ConsoleConnection connection;
    std::string queued; // what the queue should still hold, in order
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
        for (const std::string& line : result.lines) {
            // Now and then a text longer than a chunk.
            const std::size_t padding = data[at] % 4 == 0 ? data[at] * 80u : 0;
            const std::string text = line + std::string(padding, 'x');
            if (data[at] % 2 == 1) {
                connection.output.PushFront(text);
                queued.insert(0, text);
            } else {
                connection.output.PushBack(text);
                queued += text;
            }
        }
        std::size_t send = data[at] * 97u;
        while (send > 0 && !connection.output.Empty()) {
            const std::string_view front = connection.output.Front();
            const std::size_t n = front.size() < send ? front.size() : send;
            if (n == 0 || queued.compare(0, n, front.substr(0, n)) != 0) {
                std::abort();
            }
            connection.output.Consume(n);
            queued.erase(0, n);
            send -= n;
        }
        if (connection.output.Bytes() != queued.size()) {
            std::abort();
        }
    }
    return 0;
}
