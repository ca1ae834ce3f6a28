// What the SMTP and POP3 state machines share: opening the connection (resolving,
// a non-blocking connect within the time-out, implicit TLS or TLS started by a
// command), sending queued output, and closing. A session belongs to one channel.
#pragma once

#include "mail/channel_options.h"
#include "mail/connection.h"
#include "mail/driver.h"
#include "mail/line_protocol.h"
#include "mail/mail_log.h"
#include "mail/tcp_connector.h"

#include <memory>
#include <optional>
#include <string>

namespace ob::mail {

class ProtocolSession : public StateMachine {
public:
    ProtocolSession(const ChannelOptions& options, const MailLog& log)
        : options_(options), log_(log) {}

    bool Connected() const { return connection_ != nullptr; }
    int Fd() const override;
    std::uint32_t SocketError() const override;
    Code TimeoutCode(int state) const override;

    /// Closes the connection without a word to the server.
    void Disconnect();

    /// The last reply line, for the log.
    std::string LastReplyLine() const;

    /// Takes an already connected socket (tests and fuzzing talk over socket pairs).
    void Adopt(UniqueFd fd);

protected:
    /// Runs the machine from `state`; a failure closes the connection, so that the
    /// next call starts afresh instead of mid-dialogue.
    std::int32_t RunOrDisconnect(Driver& driver, int state);
    /// Runs the QUIT dialogue from `state` when connected, then closes; 0 when not
    /// connected.
    std::int32_t QuitFrom(Driver& driver, int state);
    /// Resolves `server` and starts connecting; goes to `connecting`, or straight on to
    /// `connected` when the connect completes at once.
    Step BeginConnect(const std::string& server, std::uint16_t port, int connecting, int connected);
    /// Waits for the connect to complete.
    Step AwaitConnect(int self, int connected);
    /// Puts TLS on the connection and goes to `handshake`.
    Step BeginTls(int handshake);
    /// Runs the TLS handshake, then goes to `next`.
    Step AwaitHandshake(int self, int next);
    /// Queues a command (logged as `shownAs` when given) and sends it; the reply is
    /// awaited in `next`, looked for first after `delay`.
    Step SendLine(std::string_view command, int next, std::chrono::milliseconds delay,
                  std::string_view shownAs);
    /// Sends what is queued: nothing when all is out, else the step that waits or fails.
    std::optional<Step> FlushOutput(int self);
    /// A read result other than 0: the wait for more, or the failure.
    Step ReadFailure(Code read, int self);

    const ChannelOptions& options_;
    const MailLog& log_;
    std::string server_;
    TcpConnector connector_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<LineProtocol> line_;
    int connectingState_ = -1;
};

} // namespace ob::mail
