// Test support for scripts that send and fetch mail: the e-mail tests' servers on
// loopback (tests/mail/smtp_server.py over aiosmtpd, tests/mail/pop3_server.py),
// messages made by Python's email package, and parsing sent messages back. The
// programs live in tests/mail; the including test defines OB_SOURCE_DIR. Header only.
#pragma once

#include "../mail/loopback_server.h"
#include "../mail/mail_files.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ob::test {

inline std::string MailTestProgram(const std::string& name) {
    return std::string(OB_SOURCE_DIR) + "/tests/mail/" + name;
}

/// Starts a test server program (smtp_server.py or pop3_server.py) with `args`; its
/// port file goes to `portFile`. Port() is 0 when it did not start.
inline std::unique_ptr<LoopbackServer> StartMailServer(const std::string& program,
                                                       const std::vector<std::string>& args,
                                                       const std::filesystem::path& portFile) {
    std::vector<std::string> argv{kSystemPython, MailTestProgram(program)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::filesystem::remove(portFile);
    return std::make_unique<LoopbackServer>(argv, portFile.string());
}

/// Writes a message with attachments (name, bytes) as Python's email package makes
/// it; the attachments' bytes pass through files beside `out`. False on failure.
inline bool MakeMailMessage(const std::filesystem::path& out, const std::string& subject,
                            const std::vector<std::pair<std::string, std::string>>& attachments) {
    std::string command = std::string(kSystemPython) + " " + MailTestProgram("make_message.py") +
                          " '" + out.string() + "' '" + subject + "'";
    int n = 0;
    for (const auto& [name, bytes] : attachments) {
        const std::filesystem::path source = out.string() + ".source" + std::to_string(n++);
        std::ofstream(source, std::ios::binary) << bytes;
        command += " '" + name + "=" + source.string() + "'";
    }
    const bool made = std::system(command.c_str()) == 0;
    for (int i = 0; i < n; ++i) {
        std::filesystem::remove(out.string() + ".source" + std::to_string(i));
    }
    return made;
}

/// Parses a sent message with Python's email package into `outDir` (attachments by
/// name, text.txt, headers.txt); false when it has defects.
inline bool ParseMailMessage(const std::filesystem::path& message,
                             const std::filesystem::path& outDir) {
    std::filesystem::create_directories(outDir);
    const std::string command = std::string(kSystemPython) + " " +
                                MailTestProgram("parse_message.py") + " '" + message.string() +
                                "' '" + outDir.string() + "' >/dev/null";
    return std::system(command.c_str()) == 0;
}

/// Bytes that are no text: every value, CR and LF and lines of a single dot among them.
inline std::string BinaryBytes(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>((i * 131 + i / 7) & 0xff);
    }
    return bytes + "\r\n.\r\n";
}

} // namespace ob::test
