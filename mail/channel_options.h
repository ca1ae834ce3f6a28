// The settings of one channel and the numbers that set them.
//
// Scripts and the automation objects set a channel's settings by number: integer
// options with SetInteger, text options with SetText. Numbers 40 to 42 are this
// engine's extension for encrypted connections; without them a channel talks plain
// SMTP and POP3. The channel's owner calls these (one caller per channel).
#pragma once

#include "mail/mail_code.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace ob::mail {

namespace option {
// Integer options.
inline constexpr int kSmtpPort = 21;          // default 25
inline constexpr int kPop3Port = 22;          // default 110
inline constexpr int kExtendedSmtp = 23;      // 1: EHLO and authentication; default 0
inline constexpr int kAuthMechanisms = 24;    // bit set: 1 CRAM-MD5, 2 LOGIN, 4 PLAIN; default 7
inline constexpr int kApop = 25;              // 1: log on to POP3 with APOP; default 0
inline constexpr int kAttachmentPrefix = 26;  // 1: attachment files named "N-name"; default 0
inline constexpr int kSaveAttachments = 27;   // 1: fetched attachments saved to files; default 0
inline constexpr int kFileFlag = 28;          // message text from a file when it starts with
                                              // this character; default '@' (64)
inline constexpr int kUnnamedCounter = 29;    // >0: unnamed attachments numbered "N.att"
inline constexpr int kReplyTimeout = 30;      // milliseconds; default 60000
inline constexpr int kTlsMode = 40;           // 0 plain, 1 STARTTLS/STLS, 2 implicit TLS
inline constexpr int kVerifyCertificate = 41; // 1: verify the server (default), 0: do not
// Text options.
inline constexpr int kLogFile = 20;    // append a trace of the channel's work here
inline constexpr int kLogWrite = 52;   // append this text to the log as a line
inline constexpr int kAuthSecret = 57; // SMTP authentication secret
inline constexpr int kAuthUser = 58;   // SMTP authentication user
inline constexpr int kCaFile = 42;     // PEM file of trusted CAs; empty: the system's
} // namespace option

/// Authentication mechanisms, as bits of option::kAuthMechanisms.
inline constexpr std::int32_t kAuthCramMd5 = 1;
inline constexpr std::int32_t kAuthLogin = 2;
inline constexpr std::int32_t kAuthPlain = 4;

enum class TlsMode : std::int32_t {
    None = 0,     // the plain dialogue
    StartTls = 1, // STARTTLS (SMTP) or STLS (POP3) after the greeting; refused when not offered
    Implicit = 2, // TLS from the first byte (ports 465 and 995)
};

struct ChannelOptions {
    std::uint16_t smtpPort = 25;
    std::uint16_t pop3Port = 110;
    bool extendedSmtp = false;
    std::int32_t authMechanisms = kAuthCramMd5 | kAuthLogin | kAuthPlain;
    bool apop = false;
    bool attachmentPrefix = false;
    bool saveAttachments = false;
    char fileFlag = '@';
    std::int32_t unnamedCounter = 0;
    std::chrono::milliseconds replyTimeout{60000};
    TlsMode tlsMode = TlsMode::None;
    bool verifyCertificate = true;
    std::string authSecret;
    std::string authUser;
    std::string caFile;

    /// Sets an integer option; -10022 ("Invalid argument.") for an unknown number or a
    /// value out of range.
    [[nodiscard]] Code SetInteger(int number, std::int64_t value);
    /// Sets a text option other than the log's (20 and 52, which the channel's log
    /// takes); -10022 for an unknown number.
    [[nodiscard]] Code SetText(int number, std::string_view text);

    /// The value of an integer option (booleans as 0 or 1); -10022 for an unknown
    /// number.
    [[nodiscard]] Code GetInteger(int number, std::int64_t& value) const;
    /// The value of a text option other than the log's; -10022 for an unknown number.
    [[nodiscard]] Code GetText(int number, std::string& text) const;
};

} // namespace ob::mail
