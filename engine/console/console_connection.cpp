#include "engine/console/console_connection.h"

namespace ob::engine {

void ConsoleConnection::QueueBack(std::string text) {
    if (text.empty()) {
        return;
    }
    queuedBytes += text.size();
    output.push_back(std::move(text));
    overfull = overfull || queuedBytes > kMaxQueuedBytes;
}

void ConsoleConnection::QueueFront(std::string text) {
    if (text.empty()) {
        return;
    }
    queuedBytes += text.size();
    output.push_front(std::move(text));
    overfull = overfull || queuedBytes > kMaxQueuedBytes;
}

std::string ConsoleConnection::PopFront() {
    if (output.empty()) {
        return {};
    }
    std::string text = std::move(output.front());
    output.pop_front();
    queuedBytes -= text.size();
    return text;
}

std::string ConsoleConnection::PopFrontUpTo(std::size_t budget) {
    std::string joined = PopFront();
    while (!output.empty() && joined.size() + output.front().size() <= budget) {
        joined += PopFront();
    }
    return joined;
}

void ConsoleConnection::Unsend(std::string rest) {
    QueueFront(std::move(rest));
}

void ConsoleConnection::Reset() {
    *this = ConsoleConnection{};
}

} // namespace ob::engine
