#include "engine/console/console_input.h"

#include "engine/console/telnet_parser.h"

namespace ob::engine {
namespace {

constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kXon = 17;
constexpr std::uint8_t kXoff = 19;

void EndLine(ConsoleConnection& c, std::string line, InputResult& result) {
    c.inputLine.clear();
    if (line.size() > kMaxLineLength) {
        line.resize(kMaxLineLength);
    }
    if (!line.empty()) {
        result.lines.push_back(std::move(line));
    }
}

} // namespace

void FeedInput(ConsoleConnection& c, const std::uint8_t* data, std::size_t size,
               InputResult& result) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (TelnetConsume(c, byte, result.reply)) {
            continue;
        }
        if (byte == kBackspace) {
            if (!c.inputLine.empty()) {
                c.inputLine.pop_back();
            }
            continue;
        }
        if (byte == '\r' || byte == '\n') {
            EndLine(c, c.inputLine, result);
            continue;
        }
        if (c.inputLine.size() > kMaxLineLength) {
            EndLine(c, "OVERFLOW " + c.inputLine, result);
            continue; // the byte that found the line full is dropped
        }
        if (byte == kXoff) {
            c.paused = true;
        } else if (byte == kXon) {
            c.paused = false;
        } else if (byte >= 32) {
            c.inputLine.push_back(static_cast<char>(byte));
        }
    }
}

} // namespace ob::engine
