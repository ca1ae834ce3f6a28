// Fuzz target for what a hostile FTP server can send the client: reply text and
// directory listings. The input is read three ways: as the server's side of a
// conversation (in two pieces, as a network read might split it), as a LIST
// reply, and as the names a download would use. Checks: nothing crashes, and a
// listed name that passes the safety check never makes a local path leave the
// target directory.
#include "common/ftp/ftp_listing_parser.h"
#include "common/ftp/ftp_reply.h"
#include "common/ftp/ftp_session.h"
#include "common/ftp/ftp_wildcard.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kTarget = "/srv/target";

/// A path built from a safe name stays directly inside the target.
void CheckLocalPath(const std::string& name) {
    const std::string path = ob::common::ftp::JoinLocal(std::string(kTarget), name);
    if (path.compare(0, kTarget.size() + 1, std::string(kTarget) + "/") != 0) {
        std::abort();
    }
    const std::string_view rest = std::string_view(path).substr(kTarget.size() + 1);
    if (rest.empty() || rest == "." || rest == ".." ||
        rest.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ob::common::ftp;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    FtpConversation conversation;
    conversation.Received("220 ready\r\n");
    conversation.Sent("PWD\r\n");
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    conversation.Received(input.substr(0, cut));
    conversation.Received(input.substr(cut));
    for (const FtpReply& reply : conversation.Replies()) {
        if (reply.lines.empty() || reply.code < 0 || reply.code > 999) {
            std::abort();
        }
        for (const std::string& line : reply.lines) {
            if (line.size() > FtpConversation::kMaxLine) {
                std::abort();
            }
            (void)DirectoryOfPwdReply(line);
            (void)LastLineOf(line);
        }
    }

    const WildcardPattern everything("*");
    for (const FtpListEntry& entry : ParseListing(input)) {
        if (entry.name.empty()) {
            std::abort(); // the parser never gives an empty name
        }
        (void)everything.Matches(entry.name);
        if (IsSafeEntryName(entry.name)) {
            CheckLocalPath(entry.name);
        }
    }
    return 0;
}
