// Arbitrary POP3 server replies through the engine's POP3 reader, and arbitrary
// messages through the MIME decoder (which saves attachments into a scratch folder,
// emptied after every input). The first byte picks the switches: APOP, attachment
// prefix, saving attachments, the unnamed-attachment counter.
#include "mail/driver.h"
#include "mail/line_sinks.h"
#include "mail/mail_log.h"
#include "mail/mime_decoder.h"
#include "mail/pop3_session.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace ob::mail;

constexpr std::size_t kMaxInput = 96 * 1024; // fits a socket pair's buffer whole

const fs::path& ScratchDir() {
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "mailfuzz.XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()));
    }();
    return dir;
}

void EmptyScratch() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(ScratchDir(), ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
}

// The message straight through the decoder, one line at a time; lines longer than the
// response buffer arrive in pieces as they would from the reader.
void DecodeDirectly(std::string_view message, const MimeSettings& settings, const MailLog& log) {
    MimeDecoder decoder(settings, log);
    while (!message.empty()) {
        const auto end = message.find('\n');
        std::string_view line = message.substr(0, end);
        message = end == std::string_view::npos ? std::string_view{} : message.substr(end + 1);
        while (line.size() > 4095) {
            decoder.Line(line.substr(0, 4095), false);
            line.remove_prefix(4095);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        decoder.Line(line, true);
    }
    decoder.Finish();
    // Whatever the message names its attachments, they stay in their folder.
    for (const auto& saved : decoder.Saved()) {
        if (fs::path(saved).parent_path() != ScratchDir()) {
            std::abort();
        }
    }
}

// The bytes as a server's side of a whole POP3 session.
void Converse(std::string_view replies, ChannelOptions& options, const MailLog& log) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return;
    }
    int size = static_cast<int>(kMaxInput * 2);
    ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    (void)!::write(pair[1], replies.data(), replies.size());
    ::shutdown(pair[1], SHUT_WR);

    const TickSource ticks = SteadyTicks;
    Driver driver(ticks, log, 0, std::chrono::milliseconds(200));
    Pop3Session session(options, log);
    session.Adopt(ob::UniqueFd(pair[0]));
    if (session.LogOn(driver, "ann", "s3cret") >= 0) {
        (void)session.Count(driver);
        char buffer[4096];
        BufferSink top(buffer, sizeof buffer);
        (void)session.Top(driver, 1, 3, top);
        MimeSettings settings;
        settings.saveAttachments = options.saveAttachments;
        settings.prefix = options.attachmentPrefix;
        settings.messageNumber = 1;
        settings.attachmentDirectory = ScratchDir().string();
        settings.unnamedCounter = &options.unnamedCounter;
        MimeDecoder decoder(settings, log);
        const std::string file = (ScratchDir() / "message.eml").string();
        ob::UniqueFd out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        MessageFileSink sink(out.Get(), decoder);
        (void)session.Retrieve(driver, 1, sink);
        decoder.Finish();
        (void)sink.Flush();
        (void)session.Size(driver, 2);
        (void)session.Delete(driver, 1);
        (void)session.Quit(driver);
    }
    ::close(pair[1]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > kMaxInput) {
        return 0;
    }
    const std::uint8_t switches = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const MailLog log = [] {
        MailLog trace; // every trace line is formatted and written, to nowhere
        trace.SetFile("/dev/null");
        return trace;
    }();
    ChannelOptions options;
    options.apop = (switches & 1) != 0;
    options.attachmentPrefix = (switches & 2) != 0;
    options.saveAttachments = (switches & 4) != 0;
    options.unnamedCounter = (switches & 8) != 0 ? 1 : 0;

    MimeSettings settings;
    settings.saveAttachments = options.saveAttachments;
    settings.prefix = options.attachmentPrefix;
    settings.attachmentDirectory = ScratchDir().string();
    std::int32_t counter = options.unnamedCounter;
    settings.unnamedCounter = &counter;
    DecodeDirectly(bytes, settings, log);
    Converse(bytes, options, log);
    EmptyScratch();
    return 0;
}
