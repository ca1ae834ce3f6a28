#include "mail/message_composer.h"

#include "mail/date_header.h"
#include "platform/text/ascii_case.h"
#include "platform/text/base64.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ob::mail {
namespace {

// 57 bytes encode to one 76-character base64 line.
constexpr std::size_t kBytesPerLine = 57;
constexpr std::size_t kLinesPerPiece = 1024;

// A header's value on one line: a line break inside it would start a header (or
// the body) of the caller's making.
std::string OneLine(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

void AppendHeader(std::string& out, std::string_view name, std::string_view value) {
    out.append(name);
    out.append(": ");
    out.append(OneLine(value));
    out.append("\r\n");
}

// Reads up to `size` bytes, less only at the end of the file; -1 on failure.
ssize_t ReadFull(int fd, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

std::string_view AttachmentContentType(std::string_view fileName) {
    struct TypeByExtension {
        std::string_view extension;
        std::string_view type;
    };
    static constexpr std::array kTypes{
        TypeByExtension{".gif", "Image/GIF"},
        TypeByExtension{".bmp", "Image/BMP"},
        TypeByExtension{".tif", "Image/TIFF"},
        TypeByExtension{".jpg", "Image/JPEG"},
    };
    for (const auto& entry : kTypes) {
        if (fileName.size() >= entry.extension.size() &&
            text::EqualsIgnoringCase(fileName.substr(fileName.size() - entry.extension.size()),
                                     entry.extension)) {
            return entry.type;
        }
    }
    return "application/octet-stream";
}

std::string AttachmentHeaderName(std::string_view path) {
    if (const auto slash = path.find_last_of('/'); slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    std::string name(path);
    for (char& c : name) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '_';
        }
    }
    return name;
}

void AppendWireText(std::string_view text, std::string& out) {
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out.append("\r\n");
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.') {
            out += '.';
        }
        out += c;
        lineStart = false;
    }
    if (!lineStart) {
        out.append("\r\n");
    }
}

Code MessageComposer::Open() {
    files_.clear();
    for (const auto& path : message_.attachments) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
        if (!fd.Valid()) {
            failedFile_ = path;
            return Code::CannotOpenFile;
        }
        files_.push_back(std::move(fd));
    }
    return Code::Ok;
}

void MessageComposer::AppendHeaders(std::string& out) const {
    AppendHeader(out, "Date", DateHeaderValue(message_.date));
    if (!message_.to.empty()) {
        AppendHeader(out, "To", message_.to);
    }
    AppendHeader(out, "From", message_.from);
    if (!message_.replyTo.empty()) {
        AppendHeader(out, "Reply-To", message_.replyTo);
    }
    AppendHeader(out, "Subject", message_.subject);
    if (!message_.cc.empty()) {
        AppendHeader(out, "CC", message_.cc);
    }
    out.append("MIME-Version: 1.0\r\n");
    if (!message_.attachments.empty()) {
        out.append("Content-Type: multipart/mixed; boundary=\"");
        out.append(message_.boundary);
        out.append("\"\r\n\r\n--");
        out.append(message_.boundary);
        out.append("\r\n");
    }
    out.append("Content-Type: text/plain\r\n\r\n");
}

void MessageComposer::AppendAttachmentHeader(std::size_t index, std::string& out) const {
    const std::string name = AttachmentHeaderName(message_.attachments[index]);
    out.append("--");
    out.append(message_.boundary);
    out.append("\r\nContent-Type: ");
    out.append(AttachmentContentType(name));
    out.append("; name=\"");
    out.append(name);
    out.append("\"\r\nContent-Transfer-Encoding: base64\r\n");
    out.append("Content-Disposition: attachment; filename=\"");
    out.append(name);
    out.append("\"\r\n\r\n");
}

Code MessageComposer::Next(std::string& out, bool& more) {
    more = true;
    switch (stage_) {
    case Stage::Headers:
        AppendHeaders(out);
        AppendWireText(message_.text, out);
        stage_ = message_.attachments.empty() ? Stage::Closing : Stage::Attachment;
        return Code::Ok;
    case Stage::Attachment: {
        if (!headerDone_) {
            AppendAttachmentHeader(attachment_, out);
            headerDone_ = true;
        }
        std::string bytes(kBytesPerLine * kLinesPerPiece, '\0');
        const ssize_t got = ReadFull(files_[attachment_].Get(), bytes.data(), bytes.size());
        if (got < 0) {
            failedFile_ = message_.attachments[attachment_];
            return Code::CannotOpenFile;
        }
        const std::string_view data(bytes.data(), static_cast<std::size_t>(got));
        for (std::size_t line = 0; line < data.size(); line += kBytesPerLine) {
            text::AppendBase64(data.substr(line, kBytesPerLine), out);
            out.append("\r\n");
        }
        if (data.size() < bytes.size()) {
            files_[attachment_].Close();
            headerDone_ = false;
            if (++attachment_ == files_.size()) {
                stage_ = Stage::Closing;
            }
        }
        return Code::Ok;
    }
    case Stage::Closing:
        if (!message_.attachments.empty()) {
            out.append("--");
            out.append(message_.boundary);
            out.append("--\r\n\r\n");
        }
        out.append(".\r\n");
        stage_ = Stage::Done;
        more = false;
        return Code::Ok;
    case Stage::Done:
        more = false;
        return Code::Ok;
    }
    more = false;
    return Code::Ok;
}

} // namespace ob::mail
