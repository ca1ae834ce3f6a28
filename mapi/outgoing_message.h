// Checking a Simple MAPI message before anything is sent: its recipients resolve
// to addresses, its subject cannot add headers, its attachments exist and are
// opened (so that a message is either complete or not sent at all). Any thread.
#pragma once

#include "mapi/mime_message.h"
#include "obrenta/mapi.h"
#include "platform/lifetime/unique_fd.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::mapi {

inline constexpr std::size_t kMaxRecipients = 500;
inline constexpr std::size_t kMaxAttachments = 100;
inline constexpr std::size_t kMaxBody = 16u * 1024u * 1024u;

struct OutgoingMessage {
    MessageContent content;
    std::vector<UniqueFd> files; ///< one open file per attachment name
};

/// The recipient a MapiRecipDesc stands for: its address (lpszAddress, with or
/// without "SMTP:"), else an address found in its name. MAPI_E_BAD_RECIPTYPE for
/// a class other than To, Cc, Bcc (when `checkClass`); MAPI_E_INVALID_RECIPS for an
/// address that is not one (a line break in it, say); MAPI_E_UNKNOWN_RECIPIENT for
/// a recipient with no address at all.
MapiResult ResolveRecipient(const MapiRecipDesc& recipient, bool checkClass, Recipient& out);

/// Checks `message` and opens its attachments. MAPI_E_INVALID_MESSAGE for a
/// subject with a line break or another control character; MAPI_E_TEXT_TOO_LARGE
/// for a body over kMaxBody; MAPI_E_INVALID_RECIPS for no recipients;
/// MAPI_E_TOO_MANY_RECIPIENTS, MAPI_E_TOO_MANY_FILES past the limits;
/// MAPI_E_ATTACHMENT_NOT_FOUND for a file that does not exist;
/// MAPI_E_ATTACHMENT_OPEN_FAILURE for one that cannot be opened or is not a
/// regular file.
MapiResult PrepareMessage(const MapiMessage& message, const Profile& sender, OutgoingMessage& out);

/// `text` with line breaks and other control characters shown as \r, \n, \xNN, for
/// messages that quote what a caller gave.
std::string Printable(std::string_view text);

} // namespace ob::mapi
