// The SMTP side of a channel: a state machine for connecting (greeting, EHLO or
// HELO, STARTTLS when asked for, authentication by CRAM-MD5, LOGIN or PLAIN),
// sending one message (MAIL FROM, RCPT TO for each recipient, DATA and the
// message), and QUIT. The driver runs it; the channel's one caller at a time.
#pragma once

#include "mail/message_composer.h"
#include "mail/protocol_session.h"

#include <string>
#include <vector>

namespace ob::mail {

enum class SmtpState : int {
    Resolve = 1,
    Connecting = 2,
    TlsHandshake = 3,
    Greeting = 4,
    Hello = 5,
    HelloReply = 6,
    StartTls = 7,
    StartTlsReply = 8,
    ChooseAuth = 9,
    CramMd5 = 10,
    CramMd5Challenge = 11,
    CramMd5Reply = 12,
    Login = 13,
    LoginUserPrompt = 14,
    LoginSecretPrompt = 15,
    LoginReply = 16,
    Plain = 17,
    PlainReply = 18,
    MailFrom = 19,
    MailFromReply = 20,
    Recipient = 21,
    RecipientReply = 22,
    Data = 23,
    DataReply = 24,
    Body = 25,
    BodyReply = 26,
    Quit = 27,
    QuitReply = 28,
};

/// Who a message goes to: the sender's address and every recipient's, in angle
/// brackets.
struct Envelope {
    std::string sender;
    std::vector<std::string> recipients;
};

class SmtpSession : public ProtocolSession {
public:
    using ProtocolSession::ProtocolSession;

    /// Connects to `server` and greets it for `sender` (the EHLO/HELO domain comes
    /// from it); authenticates when the extended dialogue is on and a user is set.
    std::int32_t Connect(Driver& driver, const std::string& server, const std::string& sender);
    /// Sends one message on the open connection.
    std::int32_t Send(Driver& driver, Envelope envelope, MessageComposer& composer);
    /// Says QUIT, reads the reply and closes (closing also when the server is gone).
    std::int32_t Quit(Driver& driver);
    /// Greets over a socket already connected (Adopt).
    std::int32_t Greet(Driver& driver, const std::string& sender);

    Step Run(int state) override;

private:
    Step Handle(SmtpState state);
    /// Reads the reply awaited in `self`: nothing when it is complete and below 400,
    /// else the step that waits or fails.
    std::optional<Step> AwaitReply(SmtpState self, SmtpState next);
    Step AfterHello();
    Step SendCommand(std::string_view command, SmtpState next, int delayMs,
                     std::string_view shownAs = {});
    Step FeedBody();

    std::string helloDomain_;
    bool usedEhlo_ = false;
    SmtpReply reply_;
    Envelope envelope_;
    std::size_t recipient_ = 0;
    MessageComposer* composer_ = nullptr;
    bool bodyMore_ = true;
    SmtpState afterHandshake_ = SmtpState::Greeting;
};

} // namespace ob::mail
