#include "mail/smtp_session.h"

#include "mail/address.h"
#include "mail/sasl.h"
#include "platform/text/ascii_case.h"
#include "platform/text/base64.h"

namespace ob::mail {
namespace {

constexpr std::size_t kBodyQueue = 64 * 1024;

int StateNumber(SmtpState state) {
    return static_cast<int>(state);
}

// The words after "AUTH" on the EHLO reply's AUTH line ("250-AUTH LOGIN PLAIN",
// also the old form "250-AUTH=LOGIN"), upper-cased; empty when there is none.
std::string AuthLine(std::string_view reply) {
    while (!reply.empty()) {
        const auto end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        reply = end == std::string_view::npos ? std::string_view{} : reply.substr(end + 1);
        if (line.size() < 9) {
            continue;
        }
        const std::string lower = text::AsciiLower(line.substr(4));
        if (lower.rfind("auth", 0) == 0 && (lower[4] == ' ' || lower[4] == '=')) {
            std::string words = lower.substr(4);
            for (char& c : words) {
                c = text::AsciiUpper(c);
                if (c == '=') {
                    c = ' ';
                }
            }
            return words + ' ';
        }
    }
    return {};
}

bool Offers(std::string_view authWords, std::string_view mechanism) {
    std::string word = " ";
    word.append(mechanism);
    word += ' ';
    return authWords.find(word) != std::string_view::npos;
}

bool OffersStartTls(std::string_view reply) {
    const std::string lower = text::AsciiLower(reply);
    for (std::size_t at = lower.find("starttls"); at != std::string::npos;
         at = lower.find("starttls", at + 1)) {
        const bool wordStart = at >= 4 && (lower[at - 1] == '-' || lower[at - 1] == ' ');
        const std::size_t after = at + 8;
        if (wordStart && (after == lower.size() || lower[after] == '\n' || lower[after] == ' ')) {
            return true;
        }
    }
    return false;
}

} // namespace

std::int32_t SmtpSession::Connect(Driver& driver, const std::string& server,
                                  const std::string& sender) {
    server_ = server;
    helloDomain_ = HeloDomain(sender);
    afterHandshake_ = SmtpState::Greeting;
    return RunOrDisconnect(driver, StateNumber(SmtpState::Resolve));
}

std::int32_t SmtpSession::Greet(Driver& driver, const std::string& sender) {
    helloDomain_ = HeloDomain(sender);
    afterHandshake_ = SmtpState::Greeting;
    return RunOrDisconnect(driver, StateNumber(SmtpState::Greeting));
}

std::int32_t SmtpSession::Send(Driver& driver, Envelope envelope, MessageComposer& composer) {
    if (!Connected()) {
        return Value(Code::NotConnected);
    }
    if (envelope.recipients.empty()) {
        return Value(Code::NoRecipient);
    }
    envelope_ = std::move(envelope);
    recipient_ = 0;
    composer_ = &composer;
    bodyMore_ = true;
    // A failure may leave the dialogue anywhere (inside DATA, say).
    const std::int32_t result = RunOrDisconnect(driver, StateNumber(SmtpState::MailFrom));
    composer_ = nullptr;
    return result;
}

std::int32_t SmtpSession::Quit(Driver& driver) {
    return QuitFrom(driver, StateNumber(SmtpState::Quit));
}

Step SmtpSession::Run(int state) {
    return Handle(static_cast<SmtpState>(state));
}

std::optional<Step> SmtpSession::AwaitReply(SmtpState self, SmtpState next) {
    if (auto waiting = FlushOutput(StateNumber(self))) {
        return waiting;
    }
    const Code read = line_->ReadSmtpReply(reply_);
    if (read != Code::Ok) {
        return ReadFailure(read, StateNumber(self));
    }
    if (reply_.code >= 400 || reply_.code < 100) {
        return Step::Fail(Code::SmtpError, StateNumber(next));
    }
    return std::nullopt;
}

Step SmtpSession::SendCommand(std::string_view command, SmtpState next, int delayMs,
                              std::string_view shownAs) {
    return SendLine(command, StateNumber(next), std::chrono::milliseconds(delayMs), shownAs);
}

Step SmtpSession::AfterHello() {
    if (options_.tlsMode == TlsMode::StartTls && !connection_->Encrypted()) {
        if (!OffersStartTls(reply_.text)) {
            log_.Line("STARTTLS not offered");
            return Step::Fail(Code::TlsNotOffered, StateNumber(SmtpState::StartTls));
        }
        return Step::Go(StateNumber(SmtpState::StartTls));
    }
    if (options_.extendedSmtp) {
        return Step::Go(StateNumber(SmtpState::ChooseAuth));
    }
    return Step::Done();
}

Step SmtpSession::FeedBody() {
    const int self = StateNumber(SmtpState::Body);
    if (auto waiting = FlushOutput(self)) {
        return *waiting;
    }
    std::string piece;
    while (bodyMore_ && line_->QueuedBytes() < kBodyQueue) {
        piece.clear();
        if (const Code next = composer_->Next(piece, bodyMore_); next != Code::Ok) {
            return Step::Fail(next, self);
        }
        line_->Raw(piece);
    }
    if (auto waiting = FlushOutput(self)) {
        return *waiting;
    }
    if (bodyMore_) {
        return Step::Go(self);
    }
    return Step::Command(StateNumber(SmtpState::BodyReply), std::chrono::milliseconds(25));
}

Step SmtpSession::Handle(SmtpState state) {
    switch (state) {
    case SmtpState::Resolve:
        return BeginConnect(server_, options_.smtpPort, StateNumber(SmtpState::Connecting),
                            StateNumber(options_.tlsMode == TlsMode::Implicit
                                            ? SmtpState::TlsHandshake
                                            : SmtpState::Greeting));
    case SmtpState::Connecting:
        return AwaitConnect(StateNumber(state), StateNumber(options_.tlsMode == TlsMode::Implicit
                                                                ? SmtpState::TlsHandshake
                                                                : SmtpState::Greeting));
    case SmtpState::TlsHandshake:
        if (!connection_->Encrypted()) {
            return BeginTls(StateNumber(state));
        }
        return AwaitHandshake(StateNumber(state), StateNumber(afterHandshake_));
    case SmtpState::Greeting:
        if (auto waiting = AwaitReply(state, SmtpState::Hello)) {
            return *waiting;
        }
        log_.Line("Greeting seen");
        return Step::Go(StateNumber(SmtpState::Hello));
    case SmtpState::Hello:
        usedEhlo_ = options_.extendedSmtp || options_.tlsMode == TlsMode::StartTls;
        return SendCommand((usedEhlo_ ? "EHLO " : "HELO ") + helloDomain_, SmtpState::HelloReply,
                           250);
    case SmtpState::HelloReply:
        if (auto waiting = AwaitReply(state, SmtpState::ChooseAuth)) {
            return *waiting;
        }
        return AfterHello();
    case SmtpState::StartTls:
        return SendCommand("STARTTLS", SmtpState::StartTlsReply, 25);
    case SmtpState::StartTlsReply:
        if (auto waiting = AwaitReply(state, SmtpState::TlsHandshake)) {
            return *waiting;
        }
        afterHandshake_ = SmtpState::Hello;
        return BeginTls(StateNumber(SmtpState::TlsHandshake));
    case SmtpState::ChooseAuth: {
        if (options_.authUser.empty()) {
            log_.Line("No user name: no AUTH");
            return Step::Done();
        }
        const std::string words = AuthLine(reply_.text);
        const std::int32_t enabled = options_.authMechanisms;
        if ((enabled & kAuthCramMd5) != 0 && Offers(words, "CRAM-MD5")) {
            return Step::Go(StateNumber(SmtpState::CramMd5));
        }
        if ((enabled & kAuthLogin) != 0 && Offers(words, "LOGIN")) {
            return Step::Go(StateNumber(SmtpState::Login));
        }
        if ((enabled & kAuthPlain) != 0 && Offers(words, "PLAIN")) {
            return Step::Go(StateNumber(SmtpState::Plain));
        }
        log_.Line("No protocols!");
        return Step::Done();
    }
    case SmtpState::CramMd5:
        return SendCommand("AUTH CRAM-MD5", SmtpState::CramMd5Challenge, 50);
    case SmtpState::CramMd5Challenge: {
        if (auto waiting = AwaitReply(state, SmtpState::CramMd5Reply)) {
            return *waiting;
        }
        if (reply_.code != 334) {
            return Step::Fail(Code::SmtpError, StateNumber(SmtpState::CramMd5Reply));
        }
        const std::string_view first =
            std::string_view(reply_.text).substr(0, reply_.text.find('\n'));
        const std::string_view challenge = Trim(first.substr(first.size() > 4 ? 4 : first.size()));
        log_.Printf("Challenge '%s'", text::Base64DecodeLenient(challenge).c_str());
        return SendCommand(CramMd5Answer(options_.authUser, options_.authSecret, challenge),
                           SmtpState::CramMd5Reply, 225, "****");
    }
    case SmtpState::CramMd5Reply:
        if (auto waiting = AwaitReply(state, SmtpState::MailFrom)) {
            return *waiting;
        }
        log_.Line("AUTH CRAM-MD5 ok");
        return Step::Done();
    case SmtpState::Login:
        return SendCommand("AUTH LOGIN", SmtpState::LoginUserPrompt, 50);
    case SmtpState::LoginUserPrompt:
    case SmtpState::LoginSecretPrompt: {
        const bool user = state == SmtpState::LoginUserPrompt;
        const SmtpState next = user ? SmtpState::LoginSecretPrompt : SmtpState::LoginReply;
        if (auto waiting = AwaitReply(state, next)) {
            return *waiting;
        }
        if (reply_.code != 334) {
            return Step::Fail(Code::SmtpError, StateNumber(next));
        }
        return user ? SendCommand(text::Base64Encode(options_.authUser), next, 50)
                    : SendCommand(text::Base64Encode(options_.authSecret), next, 50, "****");
    }
    case SmtpState::LoginReply:
        if (auto waiting = AwaitReply(state, SmtpState::MailFrom)) {
            return *waiting;
        }
        log_.Line("AUTH LOGIN ok");
        return Step::Done();
    case SmtpState::Plain:
        return SendCommand("AUTH PLAIN " + PlainAnswer(options_.authUser, options_.authSecret),
                           SmtpState::PlainReply, 50, "AUTH PLAIN ****");
    case SmtpState::PlainReply:
        if (auto waiting = AwaitReply(state, SmtpState::MailFrom)) {
            return *waiting;
        }
        log_.Line("AUTH PLAIN ok");
        return Step::Done();
    case SmtpState::MailFrom:
        return SendCommand("MAIL FROM:" + envelope_.sender, SmtpState::MailFromReply, 25);
    case SmtpState::MailFromReply:
        if (auto waiting = AwaitReply(state, SmtpState::Recipient)) {
            return *waiting;
        }
        return Step::Go(StateNumber(SmtpState::Recipient));
    case SmtpState::Recipient:
        return SendCommand("RCPT TO:" + envelope_.recipients[recipient_], SmtpState::RecipientReply,
                           25);
    case SmtpState::RecipientReply:
        if (auto waiting = AwaitReply(state, SmtpState::Data)) {
            return *waiting;
        }
        return Step::Go(StateNumber(
            ++recipient_ < envelope_.recipients.size() ? SmtpState::Recipient : SmtpState::Data));
    case SmtpState::Data:
        return SendCommand("DATA", SmtpState::DataReply, 25);
    case SmtpState::DataReply:
        if (auto waiting = AwaitReply(state, SmtpState::Body)) {
            return *waiting;
        }
        return Step::Go(StateNumber(SmtpState::Body));
    case SmtpState::Body:
        return FeedBody();
    case SmtpState::BodyReply:
        if (auto waiting = AwaitReply(state, SmtpState::Quit)) {
            return *waiting;
        }
        return Step::Done();
    case SmtpState::Quit:
        return SendCommand("QUIT", SmtpState::QuitReply, 25);
    case SmtpState::QuitReply:
        if (auto waiting = AwaitReply(state, SmtpState::QuitReply)) {
            return *waiting;
        }
        return Step::Done();
    }
    log_.Printf("ERROR! Unknown state %d", StateNumber(state));
    return Step::Fail(Code::BadStatusFlag, StateNumber(state));
}

} // namespace ob::mail
