// The server's side of an FTP conversation as the client sees it: the commands it
// sent and the replies that came back, read from raw bytes. The bytes come from a
// server and are not trusted: any byte sequence gives some set of replies, lines
// are capped in length and a conversation in number of lines, and nothing here
// throws but std::bad_alloc. One thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ob::common::ftp {

/// One reply: its three-digit code (0 when the server's text had none) and its
/// lines without line ends.
struct FtpReply {
    int code = 0;
    std::vector<std::string> lines;
    /// The command this reply answers (empty for the greeting).
    std::string command;
};

class FtpConversation {
public:
    /// Longest line kept (longer ones are cut); lines kept per conversation.
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxLines = 10000;

    /// A command went out ("RETR x\r\n"); its line end is dropped. A password is
    /// never kept: "PASS" is stored without its argument.
    void Sent(std::string_view command);
    /// Bytes of the server's replies arrived, any number of lines or part of one.
    void Received(std::string_view bytes);
    void Clear();

    /// The replies completed so far, in order.
    const std::vector<FtpReply>& Replies() const { return replies_; }
    /// The last complete reply, or null.
    const FtpReply* LastReply() const;
    /// The last reply to the command `command` (as sent, without its line end), or
    /// null.
    const FtpReply* ReplyTo(std::string_view command) const;
    /// The last command sent, or "".
    const std::string& LastCommand() const { return lastCommand_; }

private:
    void Line(std::string line);

    std::vector<FtpReply> replies_;
    FtpReply open_; ///< a multi-line reply still being read
    bool inMultiLine_ = false;
    std::string partial_; ///< a line whose end has not arrived
    std::string lastCommand_;
    std::size_t lines_ = 0;
};

/// The three-digit code a reply line starts with, or 0.
int ReplyCode(std::string_view line);

/// The last line of a response text: trailing white space removed, then what
/// follows the last carriage return or line feed.
std::string LastLineOf(std::string_view response);

/// The directory a "257" reply to PWD names ("\"/pub/a \"\"b\"\"\" is current"
/// gives /pub/a "b"), or "" when the reply names none.
std::string DirectoryOfPwdReply(std::string_view line);

} // namespace ob::common::ftp
