// The pop3 object (class pop3, interface Ipop3, "OBCoreLib.pop3"): a script names
// the server and the mailbox's user and password, then counts, reads headers,
// peeks at, fetches (attachments decoded into a folder) and deletes messages. The
// object's engine channel connects on Connect or on the first call that needs the
// server, and stays logged on until the object is released, which says QUIT (the
// server then removes the messages marked for deletion). Its members keep the
// interface's slot order and dispatch ids 1 to 16 (Pop3Members()), followed by the
// extension properties Encryption and EngineOption (mail_channel_object.h).
// Apartment threaded.
#pragma once

#include "OBCoreLib/email/mail_channel_object.h"

#include <cstdint>
#include <span>
#include <string>

namespace ob::corelib {

/// What a script sets on a pop3 object; Prefix and APop keep the number stored (BOOL).
struct Pop3Settings {
    std::string server;
    std::string userName;
    std::string password;
    std::int32_t prefix = 0;
    std::int32_t apop = 0;
};

class Pop3Object final : public MailChannelObject {
public:
    Pop3Object();

    Pop3Settings& Settings() { return settings_; }

    /// Sets the channel's options from Prefix and APop, turns on the saving of
    /// attachments, and logs on: 0 or the engine's negative code.
    std::int32_t Connect();
    /// The number of messages, or a negative code.
    std::int32_t MessageCount();
    /// Fetches message `message` into `directory`/`name`, its attachments decoded into
    /// `attachmentDirectory`; both folders are made when missing.
    std::int32_t GetEmailFile(std::uint32_t message, const std::string& name,
                              const std::string& directory, const std::string& attachmentDirectory);
    /// The message's header lines (at most 4095 bytes); false on failure.
    bool GetEmailHeader(std::uint32_t message, std::string& header);
    /// The first `lines` lines of the message's body; false on failure.
    bool PeekMessageBody(std::uint32_t message, std::int16_t lines, std::string& body);
    /// Marks a message for deletion: 0 or a negative code.
    std::int32_t DeleteEmail(std::int32_t message);

private:
    /// Connects when the channel is not connected: 0, or the connection's code.
    std::int32_t EnsureConnected();
    /// TOP message lines into a buffer of `size` bytes: the length, or a negative code.
    std::int32_t Lines(std::uint32_t message, int lines, std::size_t size, std::string& text);

    Pop3Settings settings_;
};

/// The members of Ipop3 in slot order, then the extension's.
std::span<const MemberInfo> Pop3Members();

} // namespace ob::corelib
