#include "mail/mime_decoder.h"

#include "mail/address.h"
#include "mail/attachment_file.h"
#include "mail/encoded_words.h"
#include "mail/quoted_printable.h"
#include "mail/write_all.h"
#include "platform/text/ascii_case.h"

#include <unistd.h>

namespace ob::mail {
namespace {

constexpr std::size_t kMaxBoundaries = 3;
constexpr std::size_t kMaxFieldLength = 64 * 1024;
constexpr std::size_t kMaxLineLength = 1024 * 1024;
constexpr std::size_t kWriteChunk = 64 * 1024;
constexpr int kMaxContinuations = 10;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The value of a parameter whose "name=" ends at `at`: quoted, or up to ";" or a blank.
std::string ParameterValue(std::string_view value, std::size_t at) {
    std::string_view rest = value.substr(at);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
        rest.remove_prefix(1);
    }
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        return std::string(rest.substr(0, rest.find('"')));
    }
    return std::string(rest.substr(0, rest.find_first_of("; \t")));
}

} // namespace

MimeDecoder::MimeDecoder(MimeSettings settings, const MailLog& log)
    : settings_(std::move(settings)), log_(log) {}

MimeDecoder::~MimeDecoder() {
    CloseAttachment();
}

void MimeDecoder::Line(std::string_view text, bool complete) {
    if (phase_ == Phase::Ignore) {
        return;
    }
    if (!midLine_ && complete) {
        if (phase_ == Phase::Header) {
            HeaderLine(text);
        } else if (!Boundary(text)) {
            BodyLine(text, true);
        }
        return;
    }
    // A line longer than the response buffer, in pieces. In a body it cannot be a
    // boundary line, so base64 and plain text go straight on.
    if (phase_ == Phase::Body && encoding_ != Encoding::QuotedPrintable) {
        BodyLine(text, complete);
        midLine_ = !complete;
        return;
    }
    if (line_.size() < kMaxLineLength) {
        line_.append(text.substr(0, kMaxLineLength - line_.size()));
    }
    midLine_ = !complete;
    if (complete) {
        const std::string whole = std::move(line_);
        line_.clear();
        Line(whole, true);
    }
}

void MimeDecoder::HeaderLine(std::string_view line) {
    if (!boundaries_.empty() && Boundary(line)) {
        return;
    }
    if (line.empty()) {
        EndOfHeader();
        return;
    }
    if (line.front() == ' ' || line.front() == '\t') {
        if (!field_.empty() && continuations_ < kMaxContinuations &&
            field_.size() + line.size() <= kMaxFieldLength) {
            field_.append(line);
            ++continuations_;
        }
        return;
    }
    if (!field_.empty()) {
        Field(field_);
    }
    field_.assign(line.substr(0, kMaxFieldLength));
    continuations_ = 0;
}

void MimeDecoder::Field(std::string_view field) {
    const auto colon = field.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    const std::string name = text::AsciiLower(Trim(field.substr(0, colon)));
    const std::string_view value = field.substr(colon + 1);
    const std::string lower = text::AsciiLower(value);
    if (headerOf_ == HeaderOf::Message) {
        if (name == "mime-version" && StartsWith(Trim(value), "1.0")) {
            mime_ = true;
        } else if (name == "subject" || name == "from") {
            std::string& decoded = name == "subject" ? subject_ : from_;
            decoded.assign(field);
            DecodeEncodedWords(decoded);
        }
    }
    const auto nameParameter = [&] {
        if (const auto at = lower.find("name="); at != std::string::npos) {
            name_ = ParameterValue(value, at + 5);
        }
    };
    if (name == "content-type") {
        if (const auto at = lower.find("boundary="); at != std::string::npos) {
            multipart_ = true;
            const std::string boundary = ParameterValue(value, at + 9);
            if (boundary.empty()) {
                return;
            }
            if (boundaries_.size() < kMaxBoundaries) {
                boundaries_.push_back(boundary);
            } else {
                log_.Printf("[Boundary ignored: '%s']", boundary.c_str());
            }
            return;
        }
        enclosed_ = StartsWith(Trim(lower), "message/rfc822");
        nameParameter();
    } else if (name == "content-transfer-encoding") {
        const std::string_view encoding = Trim(lower);
        encoding_ = StartsWith(encoding, "base64")             ? Encoding::Base64
                    : StartsWith(encoding, "quoted-printable") ? Encoding::QuotedPrintable
                                                               : Encoding::None;
    } else if (name == "content-disposition") {
        inline_ = lower.find("inline") != std::string::npos;
        attachment_ = StartsWith(Trim(lower), "attachment");
        nameParameter();
    }
}

void MimeDecoder::EndOfHeader() {
    if (!field_.empty()) {
        Field(field_);
        field_.clear();
    }
    if (headerOf_ == HeaderOf::Message && !mime_) {
        phase_ = Phase::Ignore;
        return;
    }
    if (multipart_) {
        phase_ = Phase::Body; // a preamble: nothing in it is kept
        return;
    }
    if (enclosed_) {
        StartPart(HeaderOf::Enclosed);
        return;
    }
    phase_ = Phase::Body;
    const bool saved = encoding_ == Encoding::Base64 ||
                       (encoding_ == Encoding::QuotedPrintable && (attachment_ || !name_.empty()));
    if (settings_.saveAttachments && !inline_ && saved) {
        OpenAttachment();
    }
}

bool MimeDecoder::Boundary(std::string_view line) {
    if (!StartsWith(line, "--")) {
        return false;
    }
    for (std::size_t level = boundaries_.size(); level-- > 0;) {
        const std::string& boundary = boundaries_[level];
        if (line.substr(2, boundary.size()) != boundary) {
            continue;
        }
        const std::string_view rest = line.substr(2 + boundary.size());
        if (StartsWith(rest, "--")) {
            // The end of this multipart level and of any level inside it.
            StartPart(HeaderOf::Part);
            phase_ = Phase::Body;
            boundaries_.resize(level);
            return true;
        }
        if (Trim(rest).empty()) {
            StartPart(HeaderOf::Part);
            return true;
        }
    }
    return false;
}

void MimeDecoder::StartPart(HeaderOf kind) {
    CloseAttachment();
    headerOf_ = kind;
    phase_ = Phase::Header;
    field_.clear();
    encoding_ = Encoding::None;
    inline_ = attachment_ = multipart_ = enclosed_ = false;
    name_.clear();
}

void MimeDecoder::BodyLine(std::string_view text, bool complete) {
    if (!file_.Valid()) {
        return;
    }
    if (lineEndOwed_ && !midLine_) {
        pending_.append("\r\n");
        lineEndOwed_ = false;
    }
    switch (encoding_) {
    case Encoding::Base64:
        base64_.Feed(text, pending_);
        break;
    case Encoding::QuotedPrintable:
        lineEndOwed_ = DecodeQuotedPrintableLine(text, pending_);
        break;
    case Encoding::None:
        pending_.append(text);
        lineEndOwed_ = complete;
        break;
    }
    if (pending_.size() >= kWriteChunk) {
        Write();
    }
}

void MimeDecoder::OpenAttachment() {
    std::string name = name_;
    if (name.empty() && settings_.unnamedCounter != nullptr && *settings_.unnamedCounter > 0) {
        name = std::to_string((*settings_.unnamedCounter)++) + ".att";
    } else {
        if (name.empty()) {
            name = "noname";
        }
        if (settings_.prefix) {
            name = std::to_string(settings_.messageNumber) + "-" + name;
        }
    }
    const std::string safe = SafeAttachmentName(name);
    log_.Printf("[AttachDir = '%s']", settings_.attachmentDirectory.c_str());
    log_.Printf("[Filename = '%s']", safe.c_str());
    file_ = CreateAttachmentFile(settings_.attachmentDirectory, safe, path_);
    if (!file_.Valid()) {
        log_.Printf("[Cannot open '%s']", path_.c_str());
        return;
    }
    log_.Printf("[Creating '%s']", path_.c_str());
    base64_ = text::Base64StreamDecoder();
    pending_.clear();
    lineEndOwed_ = false;
    writeFailed_ = false;
}

void MimeDecoder::Write() {
    writeFailed_ = writeFailed_ || !WriteAll(file_.Get(), pending_);
    pending_.clear();
}

void MimeDecoder::CloseAttachment() {
    if (!file_.Valid()) {
        return;
    }
    Write();
    const bool closed = file_.Close() == 0;
    if (writeFailed_ || !closed) {
        // A part that could not be written whole is not left behind as if it were.
        log_.Printf("[Cannot write '%s']", path_.c_str());
        ::unlink(path_.c_str());
    } else {
        log_.Printf("[Attachment saved to %c%s%c]", '\'', path_.c_str(), '\'');
        saved_.push_back(path_);
    }
    lineEndOwed_ = false;
}

void MimeDecoder::Finish() {
    if (phase_ == Phase::Header && !field_.empty()) {
        Field(field_);
        field_.clear();
    }
    CloseAttachment();
}

} // namespace ob::mail
