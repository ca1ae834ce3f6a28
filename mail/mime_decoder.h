// Decodes a fetched message's MIME structure line by line while it is written to
// its file: attachments are saved, decoded, into the attachment directory, and the
// encoded words of the From and Subject lines are decoded.
//
// Structure: a message is MIME when its header has "MIME-Version: 1.0"; a
// Content-Type with a boundary opens a multipart level (three at most are active);
// a line "--boundary" starts a part, whose header gives its transfer encoding
// (base64, quoted-printable, 7bit), its disposition (inline or attachment) and its
// name; "message/rfc822" parts enclose a message whose header is read in turn.
// Saved are the parts that are not inline and are base64-encoded, or
// quoted-printable-encoded with a name or as an attachment. Header lines are
// unfolded before they are read. One caller.
#pragma once

#include "mail/mail_log.h"
#include "platform/lifetime/unique_fd.h"
#include "platform/text/base64.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::mail {

struct MimeSettings {
    bool saveAttachments = false;
    bool prefix = false; // "N-name" with the message number N
    int messageNumber = 0;
    std::string attachmentDirectory;
    std::int32_t* unnamedCounter = nullptr; // >0: unnamed parts saved as "N.att", counting on
};

class MimeDecoder {
public:
    MimeDecoder(MimeSettings settings, const MailLog& log);
    ~MimeDecoder();
    MimeDecoder(const MimeDecoder&) = delete;
    MimeDecoder& operator=(const MimeDecoder&) = delete;

    /// One line of the message without its line end; `complete` false for a piece of
    /// a longer line whose rest follows.
    void Line(std::string_view text, bool complete = true);
    /// The message has ended: closes an attachment still open.
    void Finish();

    /// The From and Subject lines with their encoded words decoded ("From: ...").
    const std::string& From() const { return from_; }
    const std::string& Subject() const { return subject_; }
    /// The paths of the attachments saved.
    const std::vector<std::string>& Saved() const { return saved_; }

private:
    enum class Phase { Header, Body, Ignore };
    enum class HeaderOf { Message, Part, Enclosed };
    enum class Encoding { None, Base64, QuotedPrintable };

    void HeaderLine(std::string_view line);
    void Field(std::string_view field);
    void EndOfHeader();
    void BodyLine(std::string_view text, bool complete);
    bool Boundary(std::string_view line);
    void StartPart(HeaderOf kind);
    void OpenAttachment();
    void Write();
    void CloseAttachment();

    MimeSettings settings_;
    const MailLog& log_;
    Phase phase_ = Phase::Header;
    HeaderOf headerOf_ = HeaderOf::Message;
    bool mime_ = false;
    std::vector<std::string> boundaries_; // the active ones, outermost first
    std::string field_;                   // the header field being unfolded
    int continuations_ = 0;               // lines joined to it so far
    std::string line_;                    // a line arriving in pieces
    bool midLine_ = false;                // inside such a line
    // The current part.
    Encoding encoding_ = Encoding::None;
    bool inline_ = false;
    bool attachment_ = false;
    bool multipart_ = false;
    bool enclosed_ = false;
    std::string name_;
    // Its attachment file.
    UniqueFd file_;
    std::string path_;
    std::string pending_; // decoded bytes not yet written
    bool writeFailed_ = false;
    bool lineEndOwed_ = false; // the last decoded line's CRLF, written if a line follows
    text::Base64StreamDecoder base64_;
    std::string from_;
    std::string subject_;
    std::vector<std::string> saved_;
};

} // namespace ob::mail
