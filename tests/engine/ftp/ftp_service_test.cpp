// The -ftp service: its entry point as the dispatcher calls it, and a job that
// drives it through the engine (the documented example).
#include "engine/services/ftp_service.h"
#include "engine/services/service_handle_table.h"
#include "ftp_test_server.h"
#include "host_fixture.h"
#include "obrenta/obrenta.h"
#include "obrenta/service.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

class FtpServiceTest : public HostDirectiveTest {
protected:
    void SetUp() override {
        HostDirectiveTest::SetUp();
        for (const char* name : {"H", "JR.LAST_ERROR", "FTP.REPLY_CODE", "FTP.LASTLINE"}) {
            env::Remove(name);
        }
    }
    void TearDown() override {
        Ftp({"CLOSE", "H"});
        HostDirectiveTest::TearDown();
    }

    /// Calls the service with "-ftp" followed by `words`.
    static std::int32_t Ftp(const std::vector<std::string>& words) {
        std::vector<const char*> array{"-ftp"};
        for (const std::string& word : words) {
            array.push_back(word.c_str());
        }
        array.push_back(nullptr);
        return engine::FtpService(array.data());
    }
    static std::string Var(const char* name) { return env::Get(name).value_or("(unset)"); }

    /// Starts pyftpdlib on root/; false (the test skipped) when it cannot run.
    bool StartServer() {
        fs::create_directories(Root());
        server_ = std::make_unique<FtpTestServer>(
            FtpServerOptions{FtpServerKind::kPyftpdlib, Root(), "127.0.0.1", {}});
        return server_->Problem().empty();
    }
    std::string Root() const { return Scratch() / "root"; }
    std::string Port() const { return std::to_string(server_->Port()); }

    std::unique_ptr<FtpTestServer> server_;
};

TEST_F(FtpServiceTest, CallShapesGiveTheirResultCodes) {
    const std::string otherObject =
        engine::ServiceHandles().Add(std::make_shared<engine::ServiceObject>());
    env::Set("OTHER", otherObject);
    env::Set("FORGED", "7fffffff");
    const struct {
        std::vector<std::string> words;
        std::int32_t result;
    } cases[] = {
        {{}, OB_SVC_BAD_FORMAT},
        {{"ftp.Version"}, OB_SVC_OK},
        {{"GET"}, OB_SVC_BAD_FORMAT},
        {{"Frobnicate", "H"}, OB_SVC_UNKNOWN},
        {{"pass", "H"}, OB_SVC_NOT_IMPLEMENTED},
        {{"FIREUSER", "H"}, OB_SVC_NOT_IMPLEMENTED},
        {{"GET", "H", "remote"}, OB_SVC_TOO_FEW},
        {{"CONNECT", "H", "host", "21", "user"}, OB_SVC_TOO_FEW},
        {{"RENAME", "H", "old"}, OB_SVC_TOO_FEW},
        {{"GET", "H", "remote", "local", "1"}, OB_SVC_BAD_HANDLE},
        {{"CD", "FORGED", "x"}, OB_SVC_BAD_HANDLE},
        {{"CLOSE", "OTHER"}, OB_SVC_BAD_HANDLE},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& word : c.words) {
            shown += word + " ";
        }
        EXPECT_EQ(Ftp(c.words), c.result) << shown;
    }
    EXPECT_EQ(Var("FTP.VERSION"), "Obrenta FTP version 2.0");
    EXPECT_EQ(Var("H"), "(unset)");
    engine::ServiceHandles().Remove(otherObject);
}

TEST_F(FtpServiceTest, ConnectionsLiveInTheHandleTable) {
    if (!StartServer()) {
        GTEST_SKIP() << server_->Problem();
    }
    EXPECT_EQ(Ftp({"CONNECT", "H", "127.0.0.1", Port(), "tester", "wrong"}), OB_SVC_FAILED);
    EXPECT_EQ(Var("H"), "(unset)");
    EXPECT_EQ(Var("FTP.REPLY_CODE"), "12014");
    EXPECT_EQ(Ftp({"CONNECT", "H", "127.0.0.1", Port(), "tester", "secret", "-bogus"}),
              OB_SVC_FAILED);
    EXPECT_EQ(Var("JR.LAST_ERROR"), "Unknown FTP CONNECT option \"-bogus\"");

    ASSERT_EQ(Ftp({"connect", "H", "127.0.0.1", Port(), "tester", "secret"}), OB_SVC_OK);
    const std::string handle = Var("H");
    EXPECT_TRUE(engine::ServiceHandleTable::ParseHandle(handle).has_value()) << handle;

    WriteFileBytes(Scratch() / "up.txt", "line\n");
    EXPECT_EQ(Ftp({"MKDIR", "H", "in"}), OB_SVC_OK);
    EXPECT_EQ(Ftp({"PUT", "H", Scratch() / "up.txt", "in/up.txt", "1"}), OB_SVC_OK);
    EXPECT_EQ(ReadFileBytes(Root() + "/in/up.txt"), "line\n");
    EXPECT_EQ(Var("FTP.LASTLINE").substr(0, 3), "226");
    EXPECT_EQ(Ftp({"TEST", "H", "in/*.txt"}), OB_SVC_OK);
    EXPECT_EQ(Ftp({"TEST", "H", "in/*.zip"}), OB_SVC_FAILED);
    EXPECT_EQ(Var("JR.LAST_ERROR"), "Ftp_Test(in/*.zip): failed");
    EXPECT_EQ(Ftp({"GET", "H", "in/missing.txt", Scratch() / "down.txt", "1"}), OB_SVC_FAILED);
    EXPECT_EQ(Var("FTP.REPLY_CODE"), "12003");
    EXPECT_EQ(Var("JR.LAST_ERROR").substr(0, 3), "550");

    EXPECT_EQ(Ftp({"CLOSE", "H"}), OB_SVC_OK);
    EXPECT_EQ(Ftp({"CD", "H", "in"}), OB_SVC_BAD_HANDLE);
}

TEST_F(FtpServiceTest, TheNightlyUploadExampleUploadsAndChecks) {
    if (!StartServer()) {
        GTEST_SKIP() << server_->Problem();
    }
    const fs::path upload = Scratch().Path() / "reports";
    WriteFileBytes(Scratch() / "placeholder", "");
    fs::create_directories(upload / "daily");
    WriteFileBytes((upload / "summary.txt").string(), "total\n");
    WriteFileBytes((upload / "daily" / "monday.csv").string(), "a,b\n");
    env::Set("FTP_HOST", "127.0.0.1");
    env::Set("FTP_PORT", Port());
    env::Set("FTP_USER", "tester");
    env::Set("FTP_PASSWORD", "secret");
    env::Set("UPLOAD_DIR", upload.string());
    ASSERT_TRUE(LoadScript("ftp_upload.jr", ReadFileBytes(OB_EXAMPLES_DIR "/ftp_upload.jr")));
    EXPECT_EQ(Run("nightly_upload"), engine::RUN_CONTINUE);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "nightly_upload: done, the server said 226 Transfer complete. "))
        << (lines.empty() ? "" : lines.back());
    EXPECT_EQ(ReadFileBytes(Root() + "/summary.txt"), "total\n");
    EXPECT_EQ(ReadFileBytes(Root() + "/daily/monday.csv"), "a,b\n");

    // Against a server that is not there, the handler reports the failure.
    env::Set("FTP_PORT", "1");
    EXPECT_EQ(Run("nightly_upload"), engine::RUN_STOP);
    EXPECT_TRUE(HasLine(Lines(Events()), "nightly_upload failed: The connection to the server "
                                         "could not be made. (error 12029) "));
}

} // namespace
} // namespace ob::test
