// The manual's worked example for the ftp object (examples/ftp_object.jr): its job
// run through the script bridge, whose VBScript creates OBCoreLib.ftp from the
// registered library, against a loopback server.
#include "ftp_test_server.h"
#include "script_fixture.h"

#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

class FtpExampleTest : public ScriptTest {};

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(FtpExampleTest, TheNightlyUploadUploadsChecksAndLogs) {
    const std::string root = Scratch() / "root";
    fs::create_directories(root);
    FtpTestServer server({FtpServerKind::kPyftpdlib, root, "127.0.0.1", {}});
    if (!server.Problem().empty()) {
        GTEST_SKIP() << server.Problem();
    }
    const fs::path upload = Scratch().Path() / "reports";
    fs::create_directories(upload / "daily");
    // The server stores text with LF line ends, binary files as they came.
    WriteFileBytes((upload / "summary.txt").string(), "total\r\n");
    WriteFileBytes((upload / "daily" / "monday.csv").string(), "a,b\r\n");
    env::Set("FTP_HOST", "127.0.0.1");
    env::Set("FTP_PORT", std::to_string(server.Port()));
    env::Set("FTP_USER", "tester");
    env::Set("FTP_PASSWORD", "secret");
    env::Set("UPLOAD_DIR", upload.string());
    const std::string example = ReadFileBytes(OB_EXAMPLES_DIR "/ftp_object.jr");
    Load(example);

    EXPECT_EQ(Run("nightly_ftp_object"), engine::RunResult::Continue);
    const auto lines = Lines();
    EXPECT_TRUE(HasLine(lines, "nightly_ftp_object: done, the server said 226 Transfer complete."))
        << (lines.empty() ? "(nothing printed)" : lines.back());
    EXPECT_EQ(ReadFileBytes(root + "/summary.txt"), "total\n") << "sent as text";
    EXPECT_EQ(ReadFileBytes(root + "/daily/monday.csv"), "a,b\r\n") << "sent as binary";
    const std::string log = ReadFileBytes(upload.string() + ".ftp.log");
    EXPECT_NE(log.find("Password = \"####\"\nOK = Connect()\n"), std::string::npos) << log;
    EXPECT_NE(log.find("OK = RPut(\"" + upload.string() + "/*\",\".\",Auto)\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("True = Test(\"daily/*.csv\")\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << "the password never reaches the log";

    // Without the reports on the server the check fails and the handler runs.
    fs::remove(root + "/daily/monday.csv");
    fs::remove(upload / "daily" / "monday.csv");
    EXPECT_EQ(Run("nightly_ftp_object"), engine::RunResult::Stop);
    const auto failed = Lines();
    EXPECT_TRUE(HasLine(failed, "nightly_ftp_object: error 12003: The server returned an "
                                "error; its reply gives the details."))
        << (failed.empty() ? "(nothing printed)" : failed.front());

    // Against a server that is not there (the stopped job is loaded again).
    Reset();
    Load(example);
    env::Set("FTP_PORT", "1");
    EXPECT_EQ(Run("nightly_ftp_object"), engine::RunResult::Stop);
    EXPECT_TRUE(HasLine(Lines(), "nightly_ftp_object: error 12029: The connection to the server "
                                 "could not be made."));
}

} // namespace
} // namespace ob::test
