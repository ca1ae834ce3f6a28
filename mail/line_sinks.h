// Where the lines of POP3's multi-line answers go: a caller's buffer (TOP) or a
// message file with the MIME decoder alongside (RETR). One caller.
#pragma once

#include "mail/mime_decoder.h"
#include "mail/pop3_session.h"
#include "platform/lifetime/unique_fd.h"

#include <cstddef>
#include <string>

namespace ob::mail {

/// Copies lines, each ended by CRLF, into a buffer of `size` bytes, NUL-terminated;
/// what does not fit is dropped (and the answer still read to its end).
class BufferSink : public LineSink {
public:
    BufferSink(char* buffer, std::size_t size);
    void Line(std::string_view text, bool complete) override;
    std::size_t Length() const { return length_; }
    bool Truncated() const { return truncated_; }

private:
    void Append(std::string_view text);

    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
    bool truncated_ = false;
};

/// Writes every line unchanged, ended by CRLF, to an open file and passes it on to a
/// MIME decoder. A write failure is kept (the answer is still read to its end).
class MessageFileSink : public LineSink {
public:
    MessageFileSink(int fd, MimeDecoder& decoder) : fd_(fd), decoder_(decoder) {}
    void Line(std::string_view text, bool complete) override;
    /// Writes what is buffered; false when some write failed.
    bool Flush();

private:
    int fd_;
    MimeDecoder& decoder_;
    std::string pending_;
    bool failed_ = false;
};

} // namespace ob::mail
