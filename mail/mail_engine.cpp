#include "mail/mail_engine.h"

#include "mail/address.h"
#include "mail/channel.h"
#include "mail/line_sinks.h"
#include "mail/message_composer.h"
#include "mail/mime_decoder.h"
#include "platform/lifetime/immortal.h"
#include "platform/time/clock.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <new>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace ob::mail {
namespace {

constexpr std::string_view kBoundaryTag = "OBM";

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path.append(name);
    return path;
}

// Reads a whole file; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    contents = std::move(text).str();
    return true;
}

// A new file beside `path` that becomes `path` once the message is whole.
UniqueFd CreatePartFile(const std::string& path, std::string& partPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        partPath =
            path + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".part";
        UniqueFd fd(::open(partPath.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
        if (fd.Valid() || errno != EEXIST) {
            return fd;
        }
    }
    return UniqueFd();
}

// Copies `text` into a caller's buffer, NUL-terminated and cut to fit.
std::int32_t CopyOut(std::string_view text, char* buffer, std::size_t size) {
    const std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<std::int32_t>(length);
}

// Says QUIT on whichever connection the channel has open.
std::int32_t QuitChannel(Channel& c, Driver& driver) {
    std::int32_t result = 0;
    if (c.smtp.Connected()) {
        result = c.smtp.Quit(driver);
    }
    if (c.pop3.Connected()) {
        result = c.pop3.Quit(driver);
    }
    c.protocol = Protocol::None;
    return result;
}

} // namespace

MailEngine::MailEngine() = default;
MailEngine::~MailEngine() {
    Detach();
}

MailEngine& MailEngine::Process() {
    static Immortal<MailEngine> engine;
    return engine.Get();
}

std::int32_t MailEngine::Attach(int channels) {
    std::lock_guard lock(mutex_);
    if (!channels_.empty()) {
        return Value(Code::AlreadyAttached);
    }
    if (channels < 1 || channels > kMaxChannels) {
        return Value(Code::ChannelOutOfRange);
    }
    try {
        for (int i = 0; i < channels; ++i) {
            channels_.push_back(std::make_shared<Channel>());
        }
    } catch (const std::bad_alloc&) {
        channels_.clear();
        return Value(Code::OutOfMemory);
    }
    claimed_.assign(static_cast<std::size_t>(channels), false);
    boundaryBase_ = "===" + std::string(kBoundaryTag) + std::to_string(ticks_().count()) + "===";
    return 1;
}

std::int32_t MailEngine::Detach() {
    std::vector<std::shared_ptr<Channel>> channels;
    TickSource ticks;
    {
        std::lock_guard lock(mutex_);
        if (channels_.empty()) {
            return Value(Code::NotAttached);
        }
        channels.swap(channels_);
        claimed_.clear();
        ticks = ticks_;
    }
    for (std::size_t i = 0; i < channels.size(); ++i) {
        Channel& c = *channels[i];
        std::lock_guard lock(c.mutex);
        Driver driver(ticks, c.log, static_cast<int>(i), c.options.replyTimeout);
        (void)QuitChannel(c, driver);
    }
    return 0;
}

bool MailEngine::Attached() const {
    std::lock_guard lock(mutex_);
    return !channels_.empty();
}

std::int32_t MailEngine::ClaimChannel() {
    std::lock_guard lock(mutex_);
    if (channels_.empty()) {
        return Value(Code::NotAttached);
    }
    for (std::size_t i = 0; i < claimed_.size(); ++i) {
        if (!claimed_[i]) {
            claimed_[i] = true;
            return static_cast<std::int32_t>(i);
        }
    }
    return Value(Code::ChannelOutOfRange);
}

void MailEngine::ReleaseChannel(int channel) {
    (void)Close(channel);
    std::lock_guard lock(mutex_);
    if (channel >= 0 && static_cast<std::size_t>(channel) < channels_.size()) {
        channels_[static_cast<std::size_t>(channel)] = std::make_shared<Channel>();
        claimed_[static_cast<std::size_t>(channel)] = false;
    }
}

std::shared_ptr<Channel> MailEngine::Find(int channel, std::int32_t& failure) {
    std::lock_guard lock(mutex_);
    if (channels_.empty()) {
        failure = Value(Code::NotAttached);
        return nullptr;
    }
    if (channel < 0 || static_cast<std::size_t>(channel) >= channels_.size()) {
        failure = Value(Code::ChannelOutOfRange);
        return nullptr;
    }
    return channels_[static_cast<std::size_t>(channel)];
}

template <typename Call>
std::int32_t MailEngine::OnChannel(int number, const char* trace, Call call) {
    std::int32_t failure = 0;
    const std::shared_ptr<Channel> channel = Find(number, failure);
    if (!channel) {
        return failure;
    }
    TickSource ticks;
    {
        std::lock_guard lock(mutex_);
        ticks = ticks_;
    }
    std::lock_guard lock(channel->mutex);
    if (trace != nullptr) {
        channel->log.Printf("*** %s", trace);
    }
    Driver driver(ticks, channel->log, number, channel->options.replyTimeout);
    std::int32_t result = 0;
    try {
        result = call(*channel, driver);
    } catch (const std::bad_alloc&) {
        result = Value(Code::OutOfMemory);
    }
    channel->lastCode = result;
    return result;
}

std::int32_t MailEngine::SetInteger(int channel, int number, std::int64_t value) {
    return OnChannel(channel, nullptr, [&](Channel& c, Driver&) {
        return Value(c.options.SetInteger(number, value));
    });
}

std::int32_t MailEngine::SetText(int channel, int number, std::string_view text) {
    return OnChannel(channel, nullptr, [&](Channel& c, Driver&) {
        if (number == option::kLogFile) {
            c.log.SetFile(std::string(text));
            return 0;
        }
        if (number == option::kLogWrite) {
            c.log.Line(text);
            return 0;
        }
        return Value(c.options.SetText(number, text));
    });
}

// Reading an option is no call of its own: the channel's last code stays.
std::int32_t MailEngine::GetInteger(int channel, int number, std::int64_t& value) {
    std::optional<std::int32_t> code;
    const std::int32_t missing = OnChannel(channel, nullptr, [&](Channel& c, Driver&) {
        code = Value(c.options.GetInteger(number, value));
        return c.lastCode;
    });
    return code.value_or(missing);
}

std::int32_t MailEngine::GetText(int channel, int number, std::string& text) {
    std::optional<std::int32_t> code;
    const std::int32_t missing = OnChannel(channel, nullptr, [&](Channel& c, Driver&) {
        code = 0;
        if (number == option::kLogFile) {
            text = c.log.File();
        } else if (number == option::kLogWrite) {
            text.clear();
        } else {
            code = Value(c.options.GetText(number, text));
        }
        return c.lastCode;
    });
    return code.value_or(missing);
}

std::int32_t MailEngine::SmtpConnect(int channel, std::string_view server, std::string_view from,
                                     std::string_view replyTo) {
    return OnChannel(channel, "seeSmtpConnect", [&](Channel& c, Driver& driver) {
        if (c.protocol == Protocol::Pop3 && c.pop3.Connected()) {
            return Value(Code::SmtpOnly);
        }
        const std::string_view host = Trim(server);
        if (const Code valid = ValidateServerName(host); valid != Code::Ok) {
            return Value(valid);
        }
        if (c.smtp.Connected()) {
            (void)c.smtp.Quit(driver);
        }
        c.protocol = Protocol::Smtp;
        c.from = Trim(from);
        c.replyTo = Trim(replyTo);
        return c.smtp.Connect(driver, std::string(host), c.from);
    });
}

std::int32_t MailEngine::SendEmail(int channel, std::string_view to, std::string_view cc,
                                   std::string_view bcc, std::string_view subject,
                                   std::string_view message, std::string_view attachments) {
    std::string boundary = BoundaryBase() + "MIX===";
    return OnChannel(channel, "seeSendEmail", [&](Channel& c, Driver& driver) {
        if (c.protocol == Protocol::Pop3) {
            return Value(Code::SmtpOnly);
        }
        if (!c.smtp.Connected()) {
            return Value(Code::NotConnected);
        }
        if (c.from.empty()) {
            return Value(Code::MissingFrom);
        }
        if (const Code valid = ValidateAddress(c.from); valid != Code::Ok) {
            return Value(valid);
        }
        Envelope envelope;
        envelope.sender = AngleAddress(c.from);
        for (const std::string_view list : {to, cc, bcc}) {
            for (const std::string_view entry : SplitList(list)) {
                if (const Code valid = ValidateAddress(entry); valid != Code::Ok) {
                    return Value(valid);
                }
                envelope.recipients.emplace_back(AngleAddress(entry));
            }
        }
        if (envelope.recipients.empty()) {
            return Value(Code::NoRecipient);
        }
        OutgoingMessage outgoing;
        if (!message.empty() && message.front() == c.options.fileFlag) {
            const std::string path(Trim(message.substr(1)));
            if (path.empty()) {
                return Value(Code::MissingFileName);
            }
            if (!ReadFile(path, outgoing.text)) {
                c.lastFile = path;
                return Value(Code::CannotOpenFile);
            }
        } else {
            outgoing.text = message;
        }
        for (const std::string_view file : SplitList(attachments)) {
            outgoing.attachments.emplace_back(file);
        }
        outgoing.from = c.from;
        outgoing.replyTo = c.replyTo;
        outgoing.to = Trim(to);
        outgoing.cc = Trim(cc);
        outgoing.subject = subject;
        outgoing.boundary = boundary;
        outgoing.date = ob::clock::Now();
        MessageComposer composer(std::move(outgoing));
        if (const Code opened = composer.Open(); opened != Code::Ok) {
            c.lastFile = composer.FailedFile();
            return Value(opened);
        }
        const std::int32_t result = c.smtp.Send(driver, std::move(envelope), composer);
        if (result == Value(Code::CannotOpenFile)) {
            c.lastFile = composer.FailedFile();
        }
        return result;
    });
}

namespace {

// The POP3 calls' common checks: 0 when the channel is a connected POP3 channel.
std::int32_t Pop3Ready(const Channel& c) {
    if (c.protocol == Protocol::Smtp) {
        return Value(Code::Pop3Only);
    }
    return c.pop3.Connected() ? 0 : Value(Code::NotConnected);
}

} // namespace

std::int32_t MailEngine::Pop3Connect(int channel, std::string_view server, std::string_view user,
                                     std::string_view password) {
    return OnChannel(channel, "seePop3Connect", [&](Channel& c, Driver& driver) {
        if (c.protocol == Protocol::Smtp && c.smtp.Connected()) {
            return Value(Code::Pop3Only);
        }
        const std::string_view host = Trim(server);
        if (const Code valid = ValidateServerName(host); valid != Code::Ok) {
            return Value(valid);
        }
        if (user.empty()) {
            return Value(Code::UserNotSpecified);
        }
        if (password.empty()) {
            return Value(Code::PasswordNotSpecified);
        }
        if (c.pop3.Connected()) {
            (void)c.pop3.Quit(driver);
        }
        c.protocol = Protocol::Pop3;
        return c.pop3.Connect(driver, std::string(host), std::string(user), std::string(password));
    });
}

std::int32_t MailEngine::EmailCount(int channel) {
    return OnChannel(channel, "seeGetEmailCount", [&](Channel& c, Driver& driver) {
        const std::int32_t ready = Pop3Ready(c);
        return ready != 0 ? ready : c.pop3.Count(driver);
    });
}

std::int32_t MailEngine::EmailSize(int channel, int message) {
    return OnChannel(channel, "seeGetEmailSize", [&](Channel& c, Driver& driver) {
        const std::int32_t ready = Pop3Ready(c);
        return ready != 0 ? ready : c.pop3.Size(driver, message);
    });
}

std::int32_t MailEngine::EmailLines(int channel, int message, int lines, char* buffer,
                                    std::size_t size) {
    return OnChannel(channel, "seeGetEmailLines", [&](Channel& c, Driver& driver) {
        if (buffer == nullptr) {
            return Value(Code::BufferIsNull);
        }
        if (size < 128) {
            return Value(Code::BufferTooSmall);
        }
        if (const std::int32_t ready = Pop3Ready(c); ready != 0) {
            return ready;
        }
        BufferSink sink(buffer, size);
        const std::int32_t result = c.pop3.Top(driver, message, lines, sink);
        return result < 0 ? result : static_cast<std::int32_t>(sink.Length());
    });
}

std::int32_t MailEngine::EmailFile(int channel, int message, std::string_view fileName,
                                   std::string_view directory,
                                   std::string_view attachmentDirectory) {
    return OnChannel(channel, "seeGetEmailFile", [&](Channel& c, Driver& driver) {
        if (const std::int32_t ready = Pop3Ready(c); ready != 0) {
            return ready;
        }
        if (fileName.empty()) {
            return Value(Code::MissingFileName);
        }
        if (directory.empty()) {
            return Value(Code::MissingEmailPath);
        }
        if (c.options.saveAttachments && attachmentDirectory.empty()) {
            return Value(Code::MissingAttachmentPath);
        }
        const std::string path = JoinPath(directory, fileName);
        c.lastFile = path;
        c.log.Printf("Email: Saving to '%s'", path.c_str());
        std::string partPath;
        UniqueFd file = CreatePartFile(path, partPath);
        if (!file.Valid()) {
            return Value(Code::CannotCreateFile);
        }
        const int fd = file.Get();
        c.log.Printf("Email: File %d opened", fd);
        MimeSettings settings;
        settings.saveAttachments = c.options.saveAttachments;
        settings.prefix = c.options.attachmentPrefix;
        settings.messageNumber = message;
        settings.attachmentDirectory = attachmentDirectory;
        settings.unnamedCounter = &c.options.unnamedCounter;
        MimeDecoder decoder(std::move(settings), c.log);
        MessageFileSink sink(fd, decoder);
        std::int32_t result = c.pop3.Retrieve(driver, message, sink);
        decoder.Finish();
        const bool written = sink.Flush() && file.Close() == 0;
        c.log.Printf("Email: File %d closed", fd);
        c.fetchedFrom = decoder.From();
        c.fetchedSubject = decoder.Subject();
        if (result >= 0 && (!written || ::rename(partPath.c_str(), path.c_str()) != 0)) {
            result = Value(Code::CannotCreateFile);
        }
        if (result < 0) {
            ::unlink(partPath.c_str());
        }
        return result;
    });
}

std::int32_t MailEngine::DeleteEmail(int channel, int message) {
    return OnChannel(channel, "seeDeleteEmail", [&](Channel& c, Driver& driver) {
        const std::int32_t ready = Pop3Ready(c);
        return ready != 0 ? ready : c.pop3.Delete(driver, message);
    });
}

std::string MailEngine::FetchedHeaderLine(int channel, FetchedHeader which) {
    std::string line;
    (void)OnChannel(channel, nullptr, [&](Channel& c, Driver&) {
        line = which == FetchedHeader::From ? c.fetchedFrom : c.fetchedSubject;
        return c.lastCode;
    });
    return line;
}

std::int32_t MailEngine::Close(int channel) {
    return OnChannel(channel, "seeClose", QuitChannel);
}

std::int32_t MailEngine::ErrorText(int channel, std::int32_t code, char* buffer, std::size_t size) {
    if (buffer == nullptr) {
        return Value(Code::BufferIsNull);
    }
    if (size < 128) {
        return Value(Code::BufferTooSmall);
    }
    return CopyOut(ErrorText(channel, code), buffer, size);
}

std::string MailEngine::ErrorText(int channel, std::int32_t code) {
    std::int32_t failure = 0;
    std::string fileName;
    if (const auto found = Find(channel, failure)) {
        std::lock_guard lock(found->mutex);
        fileName = found->lastFile;
    }
    return mail::ErrorText(code, fileName);
}

std::int32_t MailEngine::Status(int channel, int query) {
    std::int32_t failure = 0;
    const auto found = Find(channel, failure);
    if (!found) {
        return failure;
    }
    std::lock_guard lock(found->mutex);
    switch (static_cast<StatusQuery>(query)) {
    case StatusQuery::Connected:
        return found->Connected() ? 1 : 0;
    case StatusQuery::Protocol:
        return static_cast<std::int32_t>(found->protocol);
    case StatusQuery::LastCode:
        return found->lastCode;
    }
    return Value(Code::BadStatusFlag);
}

void MailEngine::SetTickSource(TickSource ticks) {
    std::lock_guard lock(mutex_);
    ticks_ = ticks ? std::move(ticks) : TickSource(SteadyTicks);
}

std::string MailEngine::BoundaryBase() const {
    std::lock_guard lock(mutex_);
    return boundaryBase_;
}

} // namespace ob::mail
