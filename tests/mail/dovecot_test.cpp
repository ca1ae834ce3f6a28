// Fetching through the engine from dovecot on loopback, with USER/PASS and APOP.
// Dovecot runs as root (it drops to its own accounts), so the tests need root.
#include "loopback_server.h"
#include "mail/channel_options.h"
#include "mail/mail_engine.h"
#include "mail_files.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace {

using namespace ob::mail;
namespace fs = std::filesystem;
using ob::test::Names;
using ob::test::ReadAll;

constexpr const char* kDovecot = "/usr/sbin/dovecot";

class MailDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "dovecot must be started as root";
        }
        if (!fs::exists(kDovecot) || ::getpwnam("dovenull") == nullptr) {
            GTEST_SKIP() << "needs Debian's dovecot-pop3d";
        }
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        const fs::path root = dir_.Path();
        fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        const fs::path maildir = root / "mail" / "ann";
        for (const char* sub : {"new", "cur", "tmp"}) {
            fs::create_directories(maildir / sub);
        }
        const std::string message = "From: =?iso-8859-1?q?J=F6rg?= <j@example.org>\r\n"
                                    "Subject: Report\r\n"
                                    "MIME-Version: 1.0\r\n"
                                    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
                                    "\r\n"
                                    "--b1\r\n"
                                    "Content-Type: text/plain\r\n"
                                    "\r\n"
                                    "Totals.\r\n"
                                    "--b1\r\n"
                                    "Content-Type: application/octet-stream; name=\"t.bin\"\r\n"
                                    "Content-Transfer-Encoding: base64\r\n"
                                    "\r\n"
                                    "AAECAwQF\r\n"
                                    "--b1--\r\n";
        std::ofstream(maildir / "new" / "1.eml", std::ios::binary) << message;
        for (const auto& entry : fs::recursive_directory_iterator(root / "mail")) {
            ::chown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
        }
        ::chown((root / "mail").c_str(), nobody->pw_uid, nobody->pw_gid);
        std::ofstream(root / "passwd") << "ann:{PLAIN}s3cret::::::\n";
        port_ = ob::test::FreePort();
        std::ofstream(root / "dovecot.conf")
            << "base_dir = " << (root / "run").string() << "\n"
            << "state_dir = " << (root / "state").string() << "\n"
            << "log_path = " << (root / "dovecot.log").string() << "\n"
            << "protocols = pop3\nlisten = 127.0.0.1\nssl = no\n"
            << "disable_plaintext_auth = no\nauth_mechanisms = plain apop\n"
            << "mail_location = maildir:" << (root / "mail").string() << "/%u\n"
            << "first_valid_uid = 1\npop3_uidl_format = %08Xu%08Xv\n"
            << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN "
            << (root / "passwd").string() << "\n}\n"
            << "userdb {\n  driver = static\n  args = uid=" << nobody->pw_uid
            << " gid=" << nobody->pw_gid << " home=" << (root / "mail").string() << "/%u\n}\n"
            << "service pop3-login {\n  inet_listener pop3 {\n    port = " << port_ << "\n  }\n}\n";
        server_ = std::make_unique<ob::test::LoopbackServer>(
            std::vector<std::string>{kDovecot, "-F", "-c", (root / "dovecot.conf").string()},
            port_);
        ASSERT_NE(server_->Port(), 0) << ReadAll(root / "dovecot.log");
        ASSERT_EQ(engine_.Attach(1), 1);
        ASSERT_EQ(engine_.SetInteger(0, option::kPop3Port, port_), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kSaveAttachments, 1), 0);
        ASSERT_EQ(engine_.SetInteger(0, option::kAttachmentPrefix, 1), 0);
        fs::create_directories(root / "saved");
    }

    ob::test::ScratchDir dir_;
    int port_ = 0;
    std::unique_ptr<ob::test::LoopbackServer> server_;
    MailEngine engine_;
};

TEST_F(MailDovecot, LogsOnWithUserOrApopAndFetches) {
    for (const int apop : {0, 1}) {
        SCOPED_TRACE(apop ? "APOP" : "USER/PASS");
        ASSERT_EQ(engine_.SetInteger(0, option::kApop, apop), 0);
        ASSERT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "s3cret"), 0);
        EXPECT_EQ(engine_.EmailCount(0), 1);
        const std::string saved = (dir_.Path() / "saved").string();
        const std::string attachments =
            (dir_.Path() / ("attachments" + std::to_string(apop))).string();
        fs::create_directories(attachments);
        ASSERT_EQ(engine_.EmailFile(0, 1, "report.eml", saved, attachments), 0);
        EXPECT_EQ(ReadAll(fs::path(attachments) / "1-t.bin"), std::string("\0\1\2\3\4\5", 6));
        EXPECT_EQ(engine_.FetchedHeaderLine(0, FetchedHeader::From),
                  "From: J\xf6rg" + std::string(19, ' ') + " <j@example.org>");
        EXPECT_EQ(engine_.Close(0), 0);
    }
    EXPECT_EQ(engine_.Pop3Connect(0, "127.0.0.1", "ann", "wrong"), -63);
}

} // namespace
