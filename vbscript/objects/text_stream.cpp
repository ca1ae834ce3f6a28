#include "vbscript/objects/text_stream.h"

#include "vbscript/objects/file_error.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/utf8_text.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::vbscript::objects {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr const char* kLineEnd = "\r\n";

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

TextStream::TextStream(UniqueFd fd, Mode mode, Encoding encoding)
    : fd_(std::move(fd)), mode_(mode), format_(encoding.format),
      atStart_(mode == Mode::Read && (encoding.detect || encoding.format == TextFormat::Utf16Le)) {
    if (mode != Mode::Read && encoding.writeBom && encoding.format == TextFormat::Utf16Le) {
        WriteBytes(kUtf16LeBom);
    }
}

void TextStream::RequireOpen() const {
    if (!fd_.Valid()) {
        throw ScriptException(file_err::kBadFileName);
    }
}

void TextStream::RequireReading() const {
    RequireOpen();
    if (mode_ != Mode::Read) {
        throw ScriptException(file_err::kBadFileMode);
    }
}

void TextStream::RequireWriting() const {
    RequireOpen();
    if (mode_ == Mode::Read) {
        throw ScriptException(file_err::kBadFileMode);
    }
}

std::string TextStream::ReadRaw() {
    std::string raw(kChunk, '\0');
    ssize_t n = 0;
    do {
        n = ::read(fd_.Get(), raw.data(), kChunk);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        ThrowFileError(errno, file_err::kDeviceIo);
    }
    if (n == 0) {
        eof_ = true;
    }
    raw.resize(static_cast<std::size_t>(n));
    return raw;
}

bool TextStream::Fill() {
    if (eof_) {
        return false;
    }
    if (pos_ > 0) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    if (buffer_.size() > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    const std::size_t old = buffer_.size();
    // Half a UTF-16 code unit (or a byte order mark) decodes to nothing yet: read on.
    while (buffer_.size() == old && !eof_) {
        std::string raw = ReadRaw();
        if (atStart_) {
            while (!eof_ && raw.size() < kUtf8Bom.size()) {
                raw += ReadRaw();
            }
            const DetectedFormat detected = DetectFormat(raw);
            if (format_ == TextFormat::Utf16Le) {
                raw.erase(0, detected.format == TextFormat::Utf16Le ? detected.bomLength : 0);
            } else {
                format_ = detected.format;
                raw.erase(0, detected.bomLength);
            }
            atStart_ = false;
        }
        if (format_ == TextFormat::Utf16Le) {
            decoder_.Decode(raw, buffer_);
            if (eof_) {
                decoder_.Finish(buffer_);
            }
        } else {
            buffer_ += raw;
        }
    }
    return buffer_.size() > old;
}

bool TextStream::AtEnd() {
    while (pos_ >= buffer_.size()) {
        if (!Fill()) {
            return true;
        }
    }
    return false;
}

std::size_t TextStream::NextCharLength() {
    if (AtEnd()) {
        return 0;
    }
    // A whole UTF-8 sequence needs at most four bytes.
    while (buffer_.size() - pos_ < 4 && Fill()) {
    }
    std::size_t next = pos_;
    utf8::Next(std::string_view(buffer_), next);
    return next - pos_;
}

void TextStream::Advance(std::string_view text) {
    for (char c : text) {
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else if (!IsContinuation(c)) {
            ++column_;
        }
    }
}

std::string TextStream::Take(std::size_t bytes) {
    std::string taken = buffer_.substr(pos_, bytes);
    pos_ += bytes;
    Advance(taken);
    return taken;
}

std::string TextStream::ReadLine() {
    if (AtEnd()) {
        throw ScriptException(file_err::kPastEnd);
    }
    std::size_t scanned = pos_;
    for (;;) {
        const std::size_t newline = buffer_.find('\n', scanned);
        if (newline != std::string::npos) {
            std::string line = Take(newline - pos_ + 1);
            line.pop_back();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        scanned = buffer_.size() - pos_; // Fill moves the unread text to the front
        if (!Fill()) {
            return Take(buffer_.size() - pos_);
        }
    }
}

std::string TextStream::ReadChars(std::size_t count) {
    if (AtEnd()) {
        throw ScriptException(file_err::kPastEnd);
    }
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = NextCharLength();
        if (length == 0) {
            break;
        }
        out += Take(length);
    }
    return out;
}

std::string TextStream::ReadAll() {
    if (AtEnd()) {
        throw ScriptException(file_err::kPastEnd);
    }
    while (Fill()) {
    }
    return Take(buffer_.size() - pos_);
}

void TextStream::Write(const std::string& text) {
    WriteBytes(format_ == TextFormat::Utf16Le ? EncodeUtf16Le(text) : text);
    Advance(text);
}

void TextStream::WriteBytes(std::string_view text) {
    // A pipe whose reader has gone (Exec's StdIn) must fail the write with EPIPE,
    // not end the process: SIGPIPE is blocked meanwhile and a raised one taken back.
    sigset_t pipeSignal;
    sigset_t old;
    ::sigemptyset(&pipeSignal);
    ::sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    struct Restore {
        const sigset_t& mask;
        ~Restore() { ::pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{old};
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_.Get(), text.data() + done, text.size() - done);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR) {
                continue;
            }
            if (error == EPIPE) {
                const timespec now{};
                ::sigtimedwait(&pipeSignal, nullptr, &now);
            }
            ThrowFileError(error, file_err::kDeviceIo);
        }
        done += static_cast<std::size_t>(n);
    }
}

Variant TextStream::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Close")) {
        RequireArgs(args, 0, 0);
        fd_.Close();
        return {};
    }
    if (Is(name, "Line") || Is(name, "Column")) {
        RequireArgs(args, 0, 0);
        RequireOpen();
        return Variant::Long(Is(name, "Line") ? line_ : column_);
    }
    if (Is(name, "AtEndOfStream")) {
        RequireArgs(args, 0, 0);
        RequireReading();
        return Variant::Boolean(AtEnd());
    }
    if (Is(name, "AtEndOfLine")) {
        RequireArgs(args, 0, 0);
        RequireReading();
        if (AtEnd()) {
            return Variant::Boolean(true);
        }
        const char c = buffer_[pos_];
        if (c == '\r') {
            NextCharLength(); // makes sure the byte after it is read too
            return Variant::Boolean(pos_ + 1 >= buffer_.size() || buffer_[pos_ + 1] == '\n');
        }
        return Variant::Boolean(c == '\n');
    }
    if (Is(name, "ReadLine")) {
        RequireArgs(args, 0, 0);
        RequireReading();
        return Variant::String(ReadLine());
    }
    if (Is(name, "SkipLine")) {
        RequireArgs(args, 0, 0);
        RequireReading();
        ReadLine();
        return {};
    }
    if (Is(name, "ReadAll")) {
        RequireArgs(args, 0, 0);
        RequireReading();
        return Variant::String(ReadAll());
    }
    if (Is(name, "Read") || Is(name, "Skip")) {
        RequireArgs(args, 1, 1);
        const std::int32_t count = ValueOf(args[0]).ToLong();
        if (count < 0) {
            throw ScriptException(err::kInvalidCall);
        }
        RequireReading();
        std::string text = ReadChars(static_cast<std::size_t>(count));
        return Is(name, "Read") ? Variant::String(std::move(text)) : Variant();
    }
    if (Is(name, "Write")) {
        RequireArgs(args, 1, 1);
        RequireWriting();
        Write(TextOf(args[0]));
        return {};
    }
    if (Is(name, "WriteLine")) {
        RequireArgs(args, 0, 1);
        RequireWriting();
        Write((args.empty() ? std::string() : TextOf(args[0])) + kLineEnd);
        return {};
    }
    if (Is(name, "WriteBlankLines")) {
        RequireArgs(args, 1, 1);
        const std::int32_t count = ValueOf(args[0]).ToLong();
        if (count < 0) {
            throw ScriptException(err::kInvalidCall);
        }
        RequireWriting();
        std::string lines;
        for (std::int32_t i = 0; i < count; ++i) {
            lines += kLineEnd;
        }
        Write(lines);
        return {};
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::vbscript::objects

namespace ob::vbscript::objects {

namespace {

/// True when the file at `path` starts with the UTF-16LE byte order mark.
bool StartsWithUtf16Bom(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    char head[2];
    ssize_t n = 0;
    do {
        n = ::pread(fd.Get(), head, sizeof head, 0);
    } while (n < 0 && errno == EINTR);
    return n == 2 && std::string_view(head, 2) == kUtf16LeBom;
}

} // namespace

std::shared_ptr<TextStream> OpenTextFile(const std::string& path, long mode, bool create,
                                         long format) {
    if (format != kTristateTrue && format != kTristateFalse && format != kTristateUseDefault) {
        throw ScriptException(err::kInvalidCall);
    }
    int flags = O_CLOEXEC | (create ? O_CREAT : 0);
    switch (mode) {
    case static_cast<long>(TextStream::Mode::Read):
        flags |= O_RDONLY;
        break;
    case static_cast<long>(TextStream::Mode::Write):
        flags |= O_WRONLY | O_TRUNC;
        break;
    case static_cast<long>(TextStream::Mode::Append):
        flags |= O_WRONLY | O_APPEND;
        break;
    default:
        throw ScriptException(err::kInvalidCall);
    }
    UniqueFd fd(::open(path.c_str(), flags, 0666));
    if (!fd.Valid()) {
        ThrowFileError(errno, MissingFileError(path));
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw ScriptException(file_err::kPermissionDenied);
    }
    const auto streamMode = static_cast<TextStream::Mode>(mode);
    TextStream::Encoding encoding;
    if (format == kTristateTrue) {
        encoding.format = TextFormat::Utf16Le;
        // Appending to a file that has text already must not repeat the mark.
        encoding.writeBom = streamMode == TextStream::Mode::Write || info.st_size == 0;
    } else if (streamMode == TextStream::Mode::Read) {
        encoding.detect = true;
    } else if (streamMode == TextStream::Mode::Append && info.st_size > 0 &&
               StartsWithUtf16Bom(path)) {
        encoding.format = TextFormat::Utf16Le; // continue the file in its own encoding
    }
    return std::make_shared<TextStream>(std::move(fd), streamMode, encoding);
}

std::shared_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite, bool unicode) {
    const int flags = O_CLOEXEC | O_WRONLY | O_CREAT | (overwrite ? O_TRUNC : O_EXCL);
    UniqueFd fd(::open(path.c_str(), flags, 0666));
    if (!fd.Valid()) {
        ThrowFileError(errno, MissingFileError(path));
    }
    TextStream::Encoding encoding;
    if (unicode) {
        encoding.format = TextFormat::Utf16Le;
        encoding.writeBom = true;
    }
    return std::make_shared<TextStream>(std::move(fd), TextStream::Mode::Write, encoding);
}

} // namespace ob::vbscript::objects
