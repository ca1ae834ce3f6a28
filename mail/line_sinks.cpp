#include "mail/line_sinks.h"

#include "mail/write_all.h"

#include <cstring>

namespace ob::mail {
namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;

} // namespace

BufferSink::BufferSink(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {
    if (size_ > 0) {
        buffer_[0] = '\0';
    }
}

void BufferSink::Append(std::string_view text) {
    const std::size_t room = size_ > length_ + 1 ? size_ - length_ - 1 : 0;
    if (text.size() > room) {
        truncated_ = true;
        text = text.substr(0, room);
    }
    std::memcpy(buffer_ + length_, text.data(), text.size());
    length_ += text.size();
    buffer_[length_] = '\0';
}

void BufferSink::Line(std::string_view text, bool complete) {
    if (size_ == 0) {
        return;
    }
    Append(text);
    if (complete) {
        Append("\r\n");
    }
}

void MessageFileSink::Line(std::string_view text, bool complete) {
    pending_.append(text);
    if (complete) {
        pending_.append("\r\n");
    }
    if (pending_.size() >= kWriteChunk) {
        Flush();
    }
    decoder_.Line(text, complete);
}

bool MessageFileSink::Flush() {
    failed_ = failed_ || !WriteAll(fd_, pending_);
    pending_.clear();
    return !failed_;
}

} // namespace ob::mail
