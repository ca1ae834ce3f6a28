#include "mapi/outgoing_message.h"

#include "mapi/mail_address.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace ob::mapi {
namespace {

std::string_view OrEmpty(const char* text) {
    return text == nullptr ? std::string_view() : std::string_view(text);
}

bool HasControl(std::string_view text, bool allowTab) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && !(allowTab && c == '\t')) || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

/// The last part of a path ("attachment" when there is none).
std::string LastPart(std::string_view path) {
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.empty() ? std::string("attachment") : std::string(name);
}

MapiResult OpenAttachment(const MapiFileDesc& file, OutgoingMessage& out) {
    const std::string_view path = OrEmpty(file.lpszPathName);
    if (path.empty()) {
        return Failure(MAPI_E_ATTACHMENT_NOT_FOUND, "An attachment has no file path.");
    }
    const std::string shown = "\"" + Printable(path) + "\"";
    UniqueFd fd(::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            return Failure(MAPI_E_ATTACHMENT_NOT_FOUND,
                           "The attachment " + shown + " does not exist.");
        }
        return Failure(MAPI_E_ATTACHMENT_OPEN_FAILURE,
                       "The attachment " + shown +
                           " could not be opened: " + std::generic_category().message(err) + ".");
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return Failure(MAPI_E_ATTACHMENT_OPEN_FAILURE,
                       "The attachment " + shown + " is not a regular file.");
    }
    const std::string_view given = OrEmpty(file.lpszFileName);
    out.content.attachmentNames.push_back(LastPart(given.empty() ? path : given));
    out.files.push_back(std::move(fd));
    return Success();
}

} // namespace

std::string Printable(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

MapiResult ResolveRecipient(const MapiRecipDesc& recipient, bool checkClass, Recipient& out) {
    if (checkClass && (recipient.ulRecipClass < MAPI_TO || recipient.ulRecipClass > MAPI_BCC)) {
        return Failure(MAPI_E_BAD_RECIPTYPE, "The recipient class " +
                                                 std::to_string(recipient.ulRecipClass) +
                                                 " is not MAPI_TO, MAPI_CC or MAPI_BCC.");
    }
    const std::string_view name = OrEmpty(recipient.lpszName);
    const std::string_view address = OrEmpty(recipient.lpszAddress);
    if (HasControl(name, false)) {
        return Failure(MAPI_E_INVALID_RECIPS, "The recipient name \"" + Printable(name) +
                                                  "\" holds a line break or another control "
                                                  "character.");
    }
    AddressParse parsed;
    if (!address.empty()) {
        parsed = ParseRecipientAddress(address);
        if (!parsed.ok) {
            return Failure(MAPI_E_INVALID_RECIPS, "The recipient address \"" + Printable(address) +
                                                      "\" is not an address: it has " +
                                                      parsed.reason + ".");
        }
        parsed.name = std::string(name);
    } else {
        parsed = ParseMailbox(name);
        if (!parsed.ok) {
            return Failure(MAPI_E_UNKNOWN_RECIPIENT,
                           "No address is known for the recipient \"" + Printable(name) + "\".");
        }
    }
    out.recipClass = recipient.ulRecipClass;
    out.name = std::move(parsed.name);
    out.address = std::move(parsed.address);
    return Success();
}

MapiResult PrepareMessage(const MapiMessage& message, const Profile& sender, OutgoingMessage& out) {
    out = OutgoingMessage{};
    out.content.sender = sender;
    const std::string_view subject = OrEmpty(message.lpszSubject);
    if (HasControl(subject, true)) {
        return Failure(MAPI_E_INVALID_MESSAGE,
                       "The subject \"" + Printable(subject) +
                           "\" holds a line break or another control character, which could "
                           "add headers to the message; it was not sent.");
    }
    out.content.subject = std::string(subject);
    const std::string_view body = OrEmpty(message.lpszNoteText);
    if (body.size() > kMaxBody) {
        return Failure(MAPI_E_TEXT_TOO_LARGE, "The message text is longer than 16 MB.");
    }
    out.content.body = std::string(body);

    if (message.nRecipCount == 0 || message.lpRecips == nullptr) {
        return Failure(MAPI_E_INVALID_RECIPS, "The message has no recipients.");
    }
    if (message.nRecipCount > kMaxRecipients) {
        return Failure(MAPI_E_TOO_MANY_RECIPIENTS, "A message may have at most " +
                                                       std::to_string(kMaxRecipients) +
                                                       " recipients.");
    }
    for (std::uint32_t i = 0; i < message.nRecipCount; ++i) {
        Recipient recipient;
        if (MapiResult resolved = ResolveRecipient(message.lpRecips[i], true, recipient);
            !resolved.Ok()) {
            return resolved;
        }
        out.content.recipients.push_back(std::move(recipient));
    }

    if (message.nFileCount > 0 && message.lpFiles == nullptr) {
        return Failure(MAPI_E_ATTACHMENT_NOT_FOUND, "The message's attachments are missing.");
    }
    if (message.nFileCount > kMaxAttachments) {
        return Failure(MAPI_E_TOO_MANY_FILES, "A message may have at most " +
                                                  std::to_string(kMaxAttachments) +
                                                  " attachments.");
    }
    for (std::uint32_t i = 0; i < message.nFileCount; ++i) {
        if (MapiResult opened = OpenAttachment(message.lpFiles[i], out); !opened.Ok()) {
            return opened;
        }
    }
    return Success();
}

} // namespace ob::mapi
