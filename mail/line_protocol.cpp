#include "mail/line_protocol.h"

#include <cstring>

namespace ob::mail {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void LineProtocol::Command(std::string_view command, std::string_view shownAs) {
    output_.append(command);
    output_.append("\r\n");
    std::string shown = "-> ";
    shown.append(shownAs.empty() ? command : shownAs);
    log_.Line(shown);
}

Code LineProtocol::Flush() {
    while (sent_ < output_.size()) {
        const std::int64_t sent = connection_.Send(output_.data() + sent_, output_.size() - sent_);
        if (sent < 0) {
            return static_cast<Code>(sent);
        }
        sent_ += static_cast<std::size_t>(sent);
    }
    output_.clear();
    sent_ = 0;
    return Code::Ok;
}

Code LineProtocol::ReadLine(ServerLine& line, bool pieces) {
    for (;;) {
        const char* begin = buffer_.data() + start_;
        if (const void* found = std::memchr(begin, '\n', end_ - start_)) {
            const auto* newline = static_cast<const char*>(found);
            std::size_t length = static_cast<std::size_t>(newline - begin);
            start_ += length + 1;
            if (discarding_) {
                discarding_ = false;
                return Code::BufferOverflow;
            }
            if (length > 0 && begin[length - 1] == '\r') {
                --length;
            }
            line = {{begin, length}, true};
            return Code::Ok;
        }
        if (discarding_) {
            start_ = end_ = 0;
        } else if (start_ == 0 && end_ == buffer_.size()) {
            if (!pieces) {
                std::memcpy(overlongHead_.data(), buffer_.data(), overlongHead_.size());
                discarding_ = true;
                start_ = end_ = 0;
            } else {
                // Hand the piece on, but keep a final CR: it may begin the line end.
                const std::size_t length = buffer_.back() == '\r' ? end_ - 1 : end_;
                start_ = length;
                line = {{buffer_.data(), length}, false};
                return Code::Ok;
            }
        }
        if (start_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
            end_ -= start_;
            start_ = 0;
        }
        const std::int64_t received =
            connection_.Receive(buffer_.data() + end_, buffer_.size() - end_);
        if (received == 0) {
            return Code::SocketClosed;
        }
        if (received < 0) {
            return static_cast<Code>(received);
        }
        end_ += static_cast<std::size_t>(received);
    }
}

Code LineProtocol::ReadSmtpReply(SmtpReply& reply) {
    for (;;) {
        ServerLine line;
        const Code read = ReadLine(line);
        if (read == Code::BufferOverflow) {
            // The overlong line is gone, but its head tells whether the reply goes on.
            log_.Line("<- [line longer than the response buffer]");
            line.text = std::string_view(overlongHead_.data(), overlongHead_.size());
            replyOverflow_ = true;
        } else if (read != Code::Ok) {
            return read;
        } else {
            log_.Printf("<- %.*s", static_cast<int>(line.text.size()), line.text.data());
            KeepLastLine(line.text);
        }
        if (!replyStarted_) {
            replyStarted_ = true;
            const auto& t = line.text;
            partial_.code = t.size() >= 3 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2])
                                ? (t[0] - '0') * 100 + (t[1] - '0') * 10 + (t[2] - '0')
                                : 0;
        }
        if (partial_.text.size() + line.text.size() + 1 > kResponseBufferSize) {
            replyOverflow_ = true;
        } else if (!replyOverflow_) {
            partial_.text.append(line.text);
            partial_.text += '\n';
        }
        const bool more = line.text.size() > 3 && line.text[3] == '-';
        if (!more) {
            const bool overflow = replyOverflow_;
            reply = std::move(partial_);
            partial_ = {};
            replyOverflow_ = false;
            replyStarted_ = false;
            return overflow ? Code::BufferOverflow : Code::Ok;
        }
    }
}

Code LineProtocol::ReadStatusLine(std::string& line) {
    ServerLine read;
    const Code result = ReadLine(read);
    if (result == Code::BufferOverflow) {
        log_.Line("<- [line longer than the response buffer]");
        return result;
    }
    if (result != Code::Ok) {
        return result;
    }
    log_.Printf("<- %.*s", static_cast<int>(read.text.size()), read.text.data());
    KeepLastLine(read.text);
    line.assign(read.text);
    return Code::Ok;
}

void LineProtocol::KeepLastLine(std::string_view line) {
    lastLine_.assign(line.substr(0, kLastLineLength));
}

void LineProtocol::Reset() {
    start_ = end_ = 0;
    discarding_ = false;
    output_.clear();
    sent_ = 0;
    partial_ = {};
    replyOverflow_ = false;
    replyStarted_ = false;
}

} // namespace ob::mail
