// The line layer that SMTP and POP3 share: commands go out as CRLF-terminated lines
// (queued, then sent as the socket takes them), replies come in through the
// channel's 4096-byte response buffer one line at a time. A line longer than the
// buffer is never written past it: for replies it is read to its end and reported
// as -31, for message data it is handed on in pieces. One caller at a time.
#pragma once

#include "mail/connection.h"
#include "mail/mail_code.h"
#include "mail/mail_log.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ob::mail {

/// A complete SMTP reply: the first line's three-digit code (0 when the line does
/// not begin with three digits) and its lines, each ended by "\n".
struct SmtpReply {
    int code = 0;
    std::string text;
};

/// One line read from the server, without its line end. `complete` is false for a
/// piece of a line longer than the response buffer; the rest follows.
struct ServerLine {
    std::string_view text;
    bool complete = true;
};

class LineProtocol {
public:
    static constexpr std::size_t kResponseBufferSize = 4096;
    static constexpr std::size_t kLastLineLength = 127;

    LineProtocol(Connection& connection, const MailLog& log) : connection_(connection), log_(log) {}

    /// Queues a command line (CRLF is added) and logs it as "-> " and `shownAs`, or
    /// the command itself when `shownAs` is empty (secrets are shown masked).
    void Command(std::string_view command, std::string_view shownAs = {});
    /// Queues message bytes as they are.
    void Raw(std::string_view bytes) { output_.append(bytes); }
    /// Sends what is queued: 0 when all is sent, -10035 while the socket is full.
    [[nodiscard]] Code Flush();
    bool OutputPending() const { return sent_ < output_.size(); }
    std::size_t QueuedBytes() const { return output_.size() - sent_; }

    /// The next line: 0 with `line` filled (valid until the next read), -10035 when
    /// no whole line has arrived, -1 when the server closed, -31 for a line longer
    /// than the buffer (its rest is consumed) unless `pieces` allows handing it on in
    /// pieces, or a socket failure.
    [[nodiscard]] Code ReadLine(ServerLine& line, bool pieces = false);

    /// Reads an SMTP reply, continuing while a line's fourth character is "-": 0 with
    /// `reply` filled, -10035 while incomplete (the lines so far are kept), -31 when
    /// the reply was longer than the response buffer, or a read failure.
    [[nodiscard]] Code ReadSmtpReply(SmtpReply& reply);

    /// Reads a POP3 status line ("+OK ..." or "-ERR ...") and logs it.
    [[nodiscard]] Code ReadStatusLine(std::string& line);

    /// The last reply line, at most 127 characters, kept for the log.
    const std::string& LastLine() const { return lastLine_; }

    /// Drops buffered input and queued output (after TLS starts, say).
    void Reset();

private:
    void KeepLastLine(std::string_view line);

    Connection& connection_;
    const MailLog& log_;
    std::array<char, kResponseBufferSize> buffer_{};
    std::size_t start_ = 0;              // first unread byte
    std::size_t end_ = 0;                // one past the last received byte
    bool discarding_ = false;            // inside an overlong line
    std::array<char, 4> overlongHead_{}; // the first characters of the overlong line
    std::string output_;
    std::size_t sent_ = 0;
    SmtpReply partial_; // the lines of an SMTP reply read so far
    bool replyOverflow_ = false;
    bool replyStarted_ = false;
    std::string lastLine_;
};

} // namespace ob::mail
