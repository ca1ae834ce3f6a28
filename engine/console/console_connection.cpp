#include "engine/console/console_connection.h"

namespace ob::engine {

void ConsoleConnection::QueueBack(std::string_view text) {
    output.PushBack(text);
    overfull = overfull || output.Memory() > kMaxQueuedBytes;
}

void ConsoleConnection::QueueFront(std::string_view text) {
    output.PushFront(text);
    overfull = overfull || output.Memory() > kMaxQueuedBytes;
}

void ConsoleConnection::Reset() {
    *this = ConsoleConnection{};
}

} // namespace ob::engine
