// One channel of the e-mail engine: its settings, log, protocol sessions and the
// results its calls leave behind. The engine locks `mutex` for each call on it.
#pragma once

#include "mail/channel_options.h"
#include "mail/mail_log.h"
#include "mail/pop3_session.h"
#include "mail/smtp_session.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace ob::mail {

enum class Protocol : std::int32_t { None = 0, Smtp = 1, Pop3 = 2 };

struct Channel {
    std::mutex mutex;
    ChannelOptions options;
    MailLog log;
    Protocol protocol = Protocol::None; // set by the last connect
    SmtpSession smtp{options, log};
    Pop3Session pop3{options, log};
    std::string from; // SMTP sender and reply address
    std::string replyTo;
    std::int32_t lastCode = 0;
    std::string lastFile;    // named in the texts of -35 and -67
    std::string fetchedFrom; // of the last message fetched to a file
    std::string fetchedSubject;

    bool Connected() const { return smtp.Connected() || pop3.Connected(); }
};

} // namespace ob::mail
