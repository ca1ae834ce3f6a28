// Builds an outgoing message for SMTP's DATA, piece by piece, ready for the wire:
// the headers, then the text as "text/plain", or with attachments a
// "multipart/mixed" message whose parts are the text and each file in base64.
// Lines end in CRLF, a line beginning with "." gets a second one, and the last
// piece ends with the "." line. Attachments are read as they are sent, so a large
// file never sits in memory whole. One caller at a time.
#pragma once

#include "mail/mail_code.h"
#include "platform/lifetime/unique_fd.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ob::mail {

struct OutgoingMessage {
    std::string from;    // the sender entry, as given
    std::string replyTo; // empty: no Reply-To header
    std::string to;      // the lists as given (";" between entries); BCC never appears
    std::string cc;
    std::string subject;
    std::string text;                     // the message text
    std::vector<std::string> attachments; // file paths
    std::string boundary;                 // of the multipart/mixed message
    std::chrono::system_clock::time_point date;
};

/// The content type of an attachment, by its name's extension (any letter case).
std::string_view AttachmentContentType(std::string_view fileName);

/// The name an attachment is announced by: the path's last component, with double
/// quotes and control characters replaced by "_".
std::string AttachmentHeaderName(std::string_view path);

/// Appends `text` with its lines ended by CRLF (whatever ended them before) and a
/// "." doubled at the start of each line; a last line without end gets CRLF.
void AppendWireText(std::string_view text, std::string& out);

class MessageComposer {
public:
    explicit MessageComposer(OutgoingMessage message) : message_(std::move(message)) {}

    /// Opens every attachment: 0, or -35 with the name in FailedFile().
    [[nodiscard]] Code Open();

    /// Appends the next piece to `out`; `more` turns false with the last piece.
    /// -35 when an attachment cannot be read to its end.
    [[nodiscard]] Code Next(std::string& out, bool& more);

    const std::string& FailedFile() const { return failedFile_; }

private:
    enum class Stage { Headers, Attachment, Closing, Done };

    void AppendHeaders(std::string& out) const;
    void AppendAttachmentHeader(std::size_t index, std::string& out) const;

    OutgoingMessage message_;
    std::vector<UniqueFd> files_;
    Stage stage_ = Stage::Headers;
    std::size_t attachment_ = 0; // the attachment being sent
    bool headerDone_ = false;    // its part header is out
    std::string failedFile_;
};

} // namespace ob::mail
