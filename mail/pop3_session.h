// The POP3 side of a channel: a state machine for logging on (greeting and its
// APOP timestamp, STLS when asked for, APOP or USER and PASS) and for the commands
// STAT, LIST, TOP, RETR, DELE and QUIT. Multi-line answers are un-dot-stuffed and
// handed line by line to a sink. The driver runs it; one caller at a time.
#pragma once

#include "mail/protocol_session.h"

#include <string>
#include <string_view>

namespace ob::mail {

enum class Pop3State : int {
    Resolve = 1,
    Connecting = 2,
    TlsHandshake = 3,
    Greeting = 4,
    Stls = 5,
    StlsReply = 6,
    LogOn = 7,
    ApopReply = 8,
    UserReply = 9,
    PassReply = 10,
    Command = 11,
    CommandReply = 12,
    Data = 13,
    Quit = 14,
    QuitReply = 15,
};

/// Receives the lines of a multi-line answer (without line ends, dots unstuffed);
/// `complete` is false for a piece of a line longer than the response buffer.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void Line(std::string_view text, bool complete) = 0;
};

class Pop3Session : public ProtocolSession {
public:
    using ProtocolSession::ProtocolSession;

    /// Connects to `server` and logs on.
    std::int32_t Connect(Driver& driver, const std::string& server, const std::string& user,
                         const std::string& password);
    /// Logs on over a socket already connected (Adopt).
    std::int32_t LogOn(Driver& driver, const std::string& user, const std::string& password);

    /// "STAT": the number of messages.
    std::int32_t Count(Driver& driver);
    /// "LIST n": the size of message n in octets.
    std::int32_t Size(Driver& driver, int message);
    /// "TOP n lines" into `sink`.
    std::int32_t Top(Driver& driver, int message, int lines, LineSink& sink);
    /// "RETR n" into `sink`.
    std::int32_t Retrieve(Driver& driver, int message, LineSink& sink);
    /// "DELE n".
    std::int32_t Delete(Driver& driver, int message);
    /// "QUIT", then the connection closes.
    std::int32_t Quit(Driver& driver);

    /// The greeting's APOP timestamp ("" when it had none).
    const std::string& Timestamp() const { return timestamp_; }

    Step Run(int state) override;

private:
    enum class Answer { Status, Count, Size, Lines };

    std::int32_t Transaction(Driver& driver, std::string command, int message, Answer answer,
                             LineSink* sink, const char* endMark);
    Step Handle(Pop3State state);
    /// Reads the status line awaited in `self`: nothing when it is "+OK", else the step
    /// that waits or fails with `refused`.
    std::optional<Step> AwaitStatus(Pop3State self, Pop3State next, Code refused);
    Step SendCommand(std::string_view command, Pop3State next, int delayMs,
                     std::string_view shownAs = {});
    Step ReadData();

    std::string user_;
    std::string password_;
    std::string timestamp_;
    std::string status_;
    Pop3State afterHandshake_ = Pop3State::Greeting;
    // The command being run.
    std::string command_;
    int message_ = 0;
    Answer answer_ = Answer::Status;
    LineSink* sink_ = nullptr;
    const char* endMark_ = "[EOF]";
    bool midLine_ = false;
};

} // namespace ob::mail
