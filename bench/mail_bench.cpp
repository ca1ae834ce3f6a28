// The e-mail engine: messages per second sent to aiosmtpd on loopback (10 KB text,
// one 100 KB attachment, one connection per message) against msmtp sending the same
// message to the same server in the same run, and MIME decoding throughput of a
// 20 MB message. Run: build/test/bin/mail_bench (needs python3-aiosmtpd and msmtp).
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "mail/message_composer.h"
#include "mail/mime_decoder.h"
#include "platform/text/base64.h"
#include "tests/mail/loopback_server.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace ob::mail;
namespace text = ob::text;

const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "mailbench.XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()));
    }();
    return dir;
}

std::string Bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245 + 12345;
        bytes[i] = static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::string Text(std::size_t size) {
    std::string text;
    while (text.size() < size) {
        text += "The nightly job finished; totals are in the attached file.\n";
    }
    text.resize(size);
    return text;
}

// The aiosmtpd server the send benchmarks share, started on first use.
int SmtpPort() {
    static ob::test::LoopbackServer server(
        {ob::test::kSystemPython, ob::test::MailTestScript("smtp_server.py")},
        (Scratch() / "port").string());
    return server.Port();
}

const std::string& Attachment() {
    static const std::string path = [] {
        const std::string file = (Scratch() / "totals.bin").string();
        std::ofstream(file, std::ios::binary) << Bytes(100 * 1024, 7);
        return file;
    }();
    return path;
}

void EngineSend(benchmark::State& state) {
    const int port = SmtpPort();
    if (port == 0) {
        state.SkipWithError("the aiosmtpd server did not start (python3-aiosmtpd)");
        return;
    }
    MailEngine engine;
    (void)engine.Attach(1);
    (void)engine.SetInteger(0, option::kSmtpPort, port);
    const std::string body = Text(10 * 1024);
    for (auto _ : state) {
        if (engine.SmtpConnect(0, "127.0.0.1", "Jobs<jobs@example.org>", "") != 0 ||
            engine.SendEmail(0, "<ann@example.org>", "", "", "Totals", body, Attachment()) != 0 ||
            engine.Close(0) != 0) {
            state.SkipWithError("the engine could not send");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EngineSend)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

void MsmtpSend(benchmark::State& state) {
    const int port = SmtpPort();
    if (port == 0 || !fs::exists("/usr/bin/msmtp")) {
        state.SkipWithError("needs the aiosmtpd server and /usr/bin/msmtp");
        return;
    }
    // The same message the engine sends, as msmtp takes it: without SMTP's final ".".
    OutgoingMessage message;
    message.from = "Jobs<jobs@example.org>";
    message.to = "<ann@example.org>";
    message.subject = "Totals";
    message.text = Text(10 * 1024);
    message.attachments = {Attachment()};
    message.boundary = "===OBM1===MIX===";
    MessageComposer composer(message);
    std::string wire;
    bool more = true;
    if (composer.Open() != Code::Ok) {
        state.SkipWithError("cannot read the attachment");
        return;
    }
    while (more) {
        (void)composer.Next(wire, more);
    }
    wire.resize(wire.size() - 3);
    const std::string file = (Scratch() / "message.eml").string();
    std::ofstream(file, std::ios::binary) << wire;
    const std::string portArg = "--port=" + std::to_string(port);
    std::vector<std::string> argv{"/usr/bin/msmtp", "--host=127.0.0.1", portArg,
                                  "--auth=off",     "--tls=off",        "--from=jobs@example.org",
                                  "ann@example.org"};
    std::vector<char*> args;
    for (auto& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
        pid_t pid = -1;
        const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || status != 0) {
            state.SkipWithError("msmtp failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MsmtpSend)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

// A 20 MB message: a text part and one large base64 attachment, as lines.
const std::vector<std::string>& TwentyMegabyteMessage() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> message{"From: <ann@example.org>",
                                         "Subject: Archive",
                                         "MIME-Version: 1.0",
                                         "Content-Type: multipart/mixed; boundary=\"b1\"",
                                         "",
                                         "--b1",
                                         "Content-Type: text/plain",
                                         "",
                                         "See attached.",
                                         "--b1",
                                         "Content-Type: application/zip; name=\"archive.zip\"",
                                         "Content-Transfer-Encoding: base64",
                                         ""};
        const std::string data = Bytes(15 * 1024 * 1024, 3);
        for (std::size_t at = 0; at < data.size(); at += 57) {
            message.push_back(text::Base64Encode(std::string_view(data).substr(at, 57)));
        }
        message.push_back("--b1--");
        return message;
    }();
    return lines;
}

void MimeDecode20MB(benchmark::State& state) {
    const auto& lines = TwentyMegabyteMessage();
    std::size_t bytes = 0;
    for (const auto& line : lines) {
        bytes += line.size() + 2;
    }
    const MailLog log;
    for (auto _ : state) {
        MimeSettings settings;
        settings.saveAttachments = true;
        settings.attachmentDirectory = Scratch().string();
        {
            MimeDecoder decoder(settings, log);
            for (const auto& line : lines) {
                decoder.Line(line);
            }
            decoder.Finish();
        }
        fs::remove(Scratch() / "archive.zip");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["message_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(MimeDecode20MB)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
