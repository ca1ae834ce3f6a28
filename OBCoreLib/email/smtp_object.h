// The smtp object (class smtp, interface Ismtp, "OBCoreLib.smtp"): a script fills
// in the sender, server, subject, body, recipients and attachments and calls Send,
// which connects the object's engine channel to the server (EHLO and
// authentication when UserName is set) and sends one message. Its members keep the
// interface's slot order and dispatch ids 1 to 14 (SmtpMembers()), followed by the
// extension properties Encryption and EngineOption (mail_channel_object.h).
//
// The SMTP connection stays open after Send; the next Send says QUIT and connects
// afresh, and the object's release says QUIT. Apartment threaded.
#pragma once

#include "OBCoreLib/email/mail_channel_object.h"

#include <span>
#include <string>

namespace ob::corelib {

/// What a script sets on an smtp object. The recipient and attachment lists hold
/// entries joined by ";".
struct SmtpSettings {
    std::string fromAddress;
    std::string server;
    std::string subject;
    std::string body;
    std::string userName;
    std::string password;
    std::string to;
    std::string cc;
    std::string bcc;
    std::string attachments;
};

/// Recipient kinds of AddRecipient; other values are ignored.
enum class RecipientType : std::int16_t { To = 1, Cc = 2, Bcc = 3 };

class SmtpObject final : public MailChannelObject {
public:
    SmtpObject();

    SmtpSettings& Settings() { return settings_; }

    /// Adds "friendly_name<address>" (the address put in angle brackets unless it
    /// holds a "<") to the list of `type`.
    void AddRecipient(std::string_view friendlyName, std::string_view address, std::int16_t type);
    /// Adds a file name to the attachment list.
    void AddAttachment(std::string_view fileName);
    /// Connects and sends: 0, or the engine's negative code (kept as the last error).
    std::int32_t Send();

private:
    SmtpSettings settings_;
};

/// The members of Ismtp in slot order, then the extension's.
std::span<const MemberInfo> SmtpMembers();

} // namespace ob::corelib
