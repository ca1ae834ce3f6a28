// Composing a message in Internet mail form (RFC 5322 headers, MIME body) for the
// mail program's `sendmail -t -i` interface: lines end in "\n", the recipients are
// the To, Cc and Bcc headers (the mail program reads them and removes Bcc), texts
// that are not plain ASCII are encoded (RFC 2047 words, RFC 2231 file names, a
// base64 body), and each attachment is a base64 part with its file name.
//
// The message is produced in pieces so that attachments stream from their files:
// MessageHead, then for each attachment AttachmentHead and its content through
// AttachmentLines, then MessageTail. Any thread.
#pragma once

#include "mapi/mail_settings.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::mapi {

/// Attachment content goes out in reads of this many bytes (a whole number of
/// 76-character base64 lines).
inline constexpr std::size_t kAttachmentChunk = 57 * 1024;

struct Recipient {
    std::uint32_t recipClass = 1; ///< MAPI_TO, MAPI_CC or MAPI_BCC
    std::string name;             ///< display name; "" or the address itself: none
    std::string address;          ///< a checked address (ParseAddress)
};

struct MessageContent {
    Profile sender;
    std::vector<Recipient> recipients;
    std::string subject; ///< no line breaks (checked before composing)
    std::string body;
    std::vector<std::string> attachmentNames; ///< the names recipients see
};

/// What differs between two messages of the same content.
struct MessageFrame {
    std::string date;      ///< RFC 5322 date-time
    std::string messageId; ///< with its angle brackets
    std::string boundary;  ///< separates the parts of a message with attachments
};

/// A frame for a message composed now (ob::clock::Now, local time zone), with a
/// random message id on this host and a random boundary.
MessageFrame NewFrame();

/// RFC 5322 date-time of a moment in the local time zone
/// ("Tue, 02 Jan 2024 15:04:05 +0100"); the day and month names never depend on
/// the locale.
std::string MailDate(std::chrono::system_clock::time_point when);

/// Headers and text (for a message with attachments, also the text part).
std::string MessageHead(const MessageContent& content, const MessageFrame& frame);
/// The header of attachment `index` (its part's boundary line included).
std::string AttachmentHead(const MessageContent& content, const MessageFrame& frame,
                           std::size_t index);
/// Base64 lines of a piece of attachment content; every piece but the last must be
/// a multiple of 57 bytes long.
std::string AttachmentLines(std::string_view bytes);
/// The end of the message ("" without attachments).
std::string MessageTail(const MessageContent& content, const MessageFrame& frame);

/// A header field's text as RFC 2047 encoded words when it is not printable ASCII
/// (or could be mistaken for encoded words), else as it is; folded so that no line
/// exceeds 78 characters where the text allows. `used` is the length of the line
/// before the text ("Subject: ").
std::string HeaderText(std::string_view text, std::size_t used);

/// "name <address>", or the address alone when the name is empty or the address.
std::string FormatMailbox(std::string_view name, std::string_view address);

/// True when `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

} // namespace ob::mapi
