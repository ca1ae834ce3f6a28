// A job's message delivered for real: libobmapi hands it to Debian's msmtp, which
// delivers it over SMTP to an aiosmtpd server on loopback that the test starts
// and stops; a recipient the server refuses makes msmtp fail, and the job learns
// why.
#include "mail_job_fixture.h"
#include "platform/process/child_process.h"
#include "platform/process/spawn_child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace ob::test {
namespace {

constexpr const char* kMsmtp = "/usr/bin/msmtp";

class MsmtpDeliveryTest : public MailJobTest {
protected:
    void SetUp() override {
        MailJobTest::SetUp();
        if (!std::filesystem::exists(kMsmtp) ||
            CommandOutput(std::string(kSystemPython) + " -c 'import aiosmtpd'") != "") {
            GTEST_SKIP() << "needs Debian's msmtp and python3-aiosmtpd";
        }
        inbox_ = Scratch() / "inbox";
        std::filesystem::create_directory(inbox_);
        process::SpawnRequest request;
        request.path = kSystemPython;
        request.arguments = {kSystemPython, std::string(OB_MAIL_TEST_DATA) + "/smtp_sink.py",
                             inbox_};
        request.environment = env::Block();
        pid_t pid = 0;
        ASSERT_EQ(process::SpawnChild(request, pid), 0u);
        server_ = process::ChildProcess(pid);
        const std::string port = WaitForPort();
        ASSERT_FALSE(port.empty()) << "the SMTP server did not start";

        const std::string config = Scratch() / "msmtprc";
        std::ofstream(config) << "defaults\nauth off\ntls off\n\naccount default\n"
                                 "host 127.0.0.1\nport "
                              << port << "\nfrom jobs@example.com\n";
        std::filesystem::permissions(config, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write);
        SetMapiValue("sendmail", kMsmtp);
        SetMapiValue("sendmail_options", "-C " + config);
        WriteProfile("jobs", "jobs@example.com", "Nightly Jobs");
        SetMapiValue("default_profile", "jobs");
    }

    void TearDown() override {
        if (server_.Valid()) {
            ::kill(server_.Pid(), SIGTERM);
            server_.Wait();
        }
        MailJobTest::TearDown();
    }

    std::string WaitForPort() const {
        for (int i = 0; i < 200; ++i) {
            const std::string port = ReadFile(inbox_ + "/port");
            if (!port.empty()) {
                return port;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    std::string inbox_;
    process::ChildProcess server_;
};

TEST_F(MsmtpDeliveryTest, AJobsMessageArrivesOverSmtp) {
    const std::string log = WriteFile("backup.log", "12 volumes\n\xff\x00 binary tail");
    ASSERT_EQ(
        RunActions({"-mail SENDMAIL ops@example.com \"Nightly backup\" \"It went well.\" " + log}),
        engine::RunResult::Continue);
    EXPECT_EQ(LastError(), "before");
    EXPECT_EQ(ReadFile(inbox_ + "/message1.envelope"),
              "from jobs@example.com\nto ops@example.com\n");
    EXPECT_EQ(ParseWithPython(inbox_ + "/message1.eml"),
              "From: Nightly Jobs <jobs@example.com>\nTo: ops@example.com\n"
              "Subject: Nightly backup\ntext: us-ascii 'It went well.\\n'\n"
              "attachment: backup.log application/octet-stream " +
                  std::to_string(std::filesystem::file_size(log)) + " " + Sha256Of(log) +
                  "\nproblems: none\n");
}

TEST_F(MsmtpDeliveryTest, ARefusedRecipientIsAFailureWithMsmtpsReason) {
    ASSERT_EQ(RunActions({"-mail SENDMAIL nobody@example.com s body"}), engine::RunResult::Continue);
    const std::string text = LastError();
    EXPECT_EQ(text.rfind("One or more unspecified errors occurred. No message was sent. The mail "
                         "program \"/usr/bin/msmtp\" failed with exit status ",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("No such user here"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(inbox_ + "/message1.eml"));
}

} // namespace
} // namespace ob::test
