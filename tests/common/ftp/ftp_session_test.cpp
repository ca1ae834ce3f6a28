// The FTP client against real servers on loopback: pyftpdlib for every case,
// vsftpd (root only) for the cases both servers must agree on.
#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_session.h"
#include "ftp_test_server.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace ob::test {
namespace {

namespace fs = std::filesystem;
using common::ftp::FtpConnectOptions;
using common::ftp::FtpSession;

/// The outcome variables as a map.
class RecordingSink final : public common::ftp::FtpStatusSink {
public:
    void SetVariable(const char* name, std::string_view value) override {
        if (value.empty()) {
            variables_.erase(name);
        } else {
            variables_[name] = std::string(value);
        }
    }
    void SetLastError(std::string_view text) override { lastError_ = std::string(text); }
    std::string Get(const std::string& name) const {
        const auto it = variables_.find(name);
        return it == variables_.end() ? std::string() : it->second;
    }
    const std::string& LastError() const { return lastError_; }

private:
    std::map<std::string, std::string> variables_;
    std::string lastError_;
};

class FtpServerTest : public ::testing::Test {
protected:
    void Start(FtpServerKind kind, std::vector<std::string> extra = {},
               std::string host = "127.0.0.1") {
        // The served root stays closed to writes (vsftpd insists); tests work in
        // its folder "w".
        fs::create_directories(Remote(""));
        fs::create_directories(Local(""));
        OpenUp();
        server_ = std::make_unique<FtpTestServer>(
            FtpServerOptions{kind, (scratch_.Path() / "root").string(), host, std::move(extra)});
        if (!server_->Problem().empty()) {
            GTEST_SKIP() << server_->Problem();
        }
        options_.host = host;
        options_.port = server_->Port();
        options_.user = server_->User();
        options_.password = server_->Password();
    }
    /// Connects and enters the working folder.
    bool Connect() { return session_.Connect(options_) && session_.Cd("w"); }

    std::string Remote(const std::string& path) const { return scratch_ / ("root/w/" + path); }
    std::string Local(const std::string& path) const { return scratch_ / ("local/" + path); }
    void RemoteFile(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(Remote(path)).parent_path());
        WriteFileBytes(Remote(path), bytes);
        OpenUp();
    }
    void RemoteDirectory(const std::string& path) {
        fs::create_directories(Remote(path));
        OpenUp();
    }
    /// The working folder and all in it writable by the server's account.
    void OpenUp() {
        fs::permissions(Remote(""), fs::perms::all);
        for (const auto& entry : fs::recursive_directory_iterator(Remote(""))) {
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all : fs::perms(0666));
        }
    }
    void LocalFile(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(Local(path)).parent_path());
        WriteFileBytes(Local(path), bytes);
    }

    ScratchDir scratch_;
    std::unique_ptr<FtpTestServer> server_;
    FtpConnectOptions options_;
    RecordingSink sink_;
    FtpSession session_{sink_};
};

/// Cases both servers must pass.
class FtpBothServersTest : public FtpServerTest,
                           public ::testing::WithParamInterface<FtpServerKind> {
protected:
    void SetUp() override {
        Start(GetParam());
        if (!IsSkipped()) {
            ASSERT_TRUE(Connect()) << sink_.LastError();
        }
    }
};

TEST_P(FtpBothServersTest, SingleOperationsAndTheirRefusals) {
    RemoteFile("old.txt", "x");
    EXPECT_TRUE(session_.Mkdir("made"));
    EXPECT_TRUE(fs::is_directory(Remote("made")));
    EXPECT_TRUE(session_.Cd("made"));
    EXPECT_EQ(session_.CurrentDirectory(), "/w/made");
    EXPECT_TRUE(session_.Cd(".."));
    EXPECT_EQ(session_.CurrentDirectory(), "/w");
    EXPECT_TRUE(session_.Rename("old.txt", "new.txt"));
    EXPECT_TRUE(fs::exists(Remote("new.txt")));
    EXPECT_TRUE(session_.Delete("new.txt"));
    EXPECT_TRUE(session_.Rmdir("made"));
    EXPECT_FALSE(fs::exists(Remote("made")));

    const struct {
        const char* what;
        bool ok;
    } refusals[] = {
        {"cd", session_.Cd("missing")},
        {"rmdir", session_.Rmdir("missing")},
        {"delete", session_.Delete("missing")},
        {"rename", session_.Rename("missing", "other")},
    };
    for (const auto& refusal : refusals) {
        EXPECT_FALSE(refusal.ok) << refusal.what;
    }
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12003");
    EXPECT_EQ(sink_.Get("FTP.LASTLINE").substr(0, 3), "550");
    EXPECT_EQ(sink_.Get("FTP.LASTMSG"), sink_.Get("FTP.LASTLINE"));
    EXPECT_EQ(sink_.LastError(), sink_.Get("FTP.LASTLINE"));
    EXPECT_EQ(session_.CurrentDirectory(), "/w");
    // A success replaces the last line and keeps the last failure's number.
    const std::string refusal = sink_.Get("FTP.LASTLINE");
    EXPECT_TRUE(session_.Mkdir("after"));
    EXPECT_NE(sink_.Get("FTP.LASTLINE"), refusal);
    EXPECT_EQ(sink_.Get("FTP.LASTLINE").substr(0, 3), "257");
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12003");
    EXPECT_EQ(sink_.Get("FTP.WINSOCK"), "0");
}

TEST_P(FtpBothServersTest, TextModeTurnsLineEndsBinaryKeepsThem) {
    RemoteFile("dos.txt", "a\r\nb\r\n");
    RemoteFile("report.log", "a\r\nb\r\n");
    RemoteFile("image.gif", "a\r\nb\r\n");
    const struct {
        const char* remote;
        int mode;
        const char* local;
    } downloads[] = {
        {"dos.txt", 0, "a\nb\n"},
        {"dos.txt", 1, "a\r\nb\r\n"},
        {"report.log", 2, "a\nb\n"},
        {"image.gif", 2, "a\r\nb\r\n"},
    };
    for (const auto& d : downloads) {
        ASSERT_TRUE(session_.Get(d.remote, Local("got"), d.mode)) << sink_.LastError();
        EXPECT_EQ(ReadFileBytes(Local("got")), d.local) << d.remote << " mode " << d.mode;
    }
    // Text goes over the wire with CR LF; pyftpdlib stores it with LF, vsftpd as
    // it came.
    const std::string stored = GetParam() == FtpServerKind::kPyftpdlib ? "a\nb\n" : "a\r\nb\r\n";
    LocalFile("unix.txt", "a\nb\n");
    ASSERT_TRUE(session_.Put(Local("unix.txt"), "text.txt", 0));
    EXPECT_EQ(ReadFileBytes(Remote("text.txt")), stored);
    LocalFile("dos.txt", "a\r\nb\r\n");
    ASSERT_TRUE(session_.Put(Local("dos.txt"), "dos2.txt", 0));
    EXPECT_EQ(ReadFileBytes(Remote("dos2.txt")), stored);
    ASSERT_TRUE(session_.Put(Local("unix.txt"), "binary.txt", 1));
    EXPECT_EQ(ReadFileBytes(Remote("binary.txt")), "a\nb\n");
}

TEST_P(FtpBothServersTest, MGetIntoAMissingDirectoryFailsAndTransfersNothing) {
    RemoteFile("a.txt", "1");
    EXPECT_FALSE(session_.MGet("*.txt", Local("missing"), 1));
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "3");
    EXPECT_FALSE(fs::exists(Local("missing")));
}

TEST_P(FtpBothServersTest, MGetAndMPutMoveMatchingFilesAndKeepTheDirectory) {
    RemoteFile("in/a.txt", "A");
    RemoteFile("in/b.txt", "B");
    RemoteFile("in/c.dat", "C");
    RemoteFile("in/sub/d.txt", "D");
    ASSERT_TRUE(session_.MGet("in/*.txt", Local(""), 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Local("a.txt")), "A");
    EXPECT_EQ(ReadFileBytes(Local("b.txt")), "B");
    EXPECT_FALSE(fs::exists(Local("c.dat")));
    EXPECT_FALSE(fs::exists(Local("sub")));
    EXPECT_EQ(session_.CurrentDirectory(), "/w");

    ASSERT_TRUE(session_.Mkdir("out"));
    ASSERT_TRUE(session_.MPut(Local("*.txt"), "out", 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Remote("out/a.txt")), "A");
    EXPECT_EQ(ReadFileBytes(Remote("out/b.txt")), "B");
    EXPECT_EQ(session_.CurrentDirectory(), "/w");
}

TEST_P(FtpBothServersTest, MDelOfTmpLeavesTheCurrentDirectory) {
    RemoteFile("work/a.tmp", "1");
    RemoteFile("work/b.tmp", "2");
    RemoteFile("work/keep.txt", "3");
    RemoteDirectory("work/empty.tmp");
    ASSERT_TRUE(session_.Cd("work"));
    ASSERT_TRUE(session_.MDel("*.tmp")) << sink_.LastError();
    EXPECT_EQ(session_.CurrentDirectory(), "/w/work");
    EXPECT_FALSE(fs::exists(Remote("work/a.tmp")));
    EXPECT_FALSE(fs::exists(Remote("work/b.tmp")));
    EXPECT_FALSE(fs::exists(Remote("work/empty.tmp")));
    EXPECT_TRUE(fs::exists(Remote("work/keep.txt")));
}

TEST_P(FtpBothServersTest, RGetCreatesLocalSubdirectoriesAndSkipsEmptyOnes) {
    RemoteFile("tree/top.txt", "T");
    RemoteFile("tree/one/mid.txt", "M");
    RemoteFile("tree/one/two/deep.txt", "D");
    RemoteFile("tree/one/two/skip.bin", "S");
    RemoteDirectory("tree/empty");
    ASSERT_TRUE(session_.RGet("tree/*.txt", Local(""), 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Local("top.txt")), "T");
    EXPECT_EQ(ReadFileBytes(Local("one/mid.txt")), "M");
    EXPECT_EQ(ReadFileBytes(Local("one/two/deep.txt")), "D");
    EXPECT_FALSE(fs::exists(Local("one/two/skip.bin")));
    EXPECT_EQ(session_.CurrentDirectory(), "/w");
}

TEST_P(FtpBothServersTest, RPutCreatesRemoteSubdirectories) {
    LocalFile("up/a.txt", "A");
    LocalFile("up/x/b.txt", "B");
    LocalFile("up/x/y/c.txt", "C");
    fs::create_directories(Local("up/x/none"));
    ASSERT_TRUE(session_.Mkdir("dest"));
    ASSERT_TRUE(session_.RPut(Local("up/*.txt"), "dest", 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Remote("dest/a.txt")), "A");
    EXPECT_EQ(ReadFileBytes(Remote("dest/x/b.txt")), "B");
    EXPECT_EQ(ReadFileBytes(Remote("dest/x/y/c.txt")), "C");
    EXPECT_EQ(session_.CurrentDirectory(), "/w");
}

TEST_P(FtpBothServersTest, RDelEmptiesTheTree) {
    RemoteFile("gone/a.tmp", "1");
    RemoteFile("gone/sub/b.tmp", "2");
    RemoteFile("gone/sub/keep.txt", "3");
    ASSERT_TRUE(session_.RDel("gone/*.tmp")) << sink_.LastError();
    EXPECT_FALSE(fs::exists(Remote("gone/a.tmp")));
    EXPECT_FALSE(fs::exists(Remote("gone/sub/b.tmp")));
    EXPECT_TRUE(fs::exists(Remote("gone/sub/keep.txt")));
}

TEST_P(FtpBothServersTest, TestFindsDirectoriesAndPatterns) {
    RemoteFile("pub/file.txt", "x");
    const struct {
        const char* name;
        int found;
    } cases[] = {
        {"pub", 1}, {"pub/*.txt", 1}, {"pub/*.zip", 0}, {"missing/*.txt", 0}, {"nothing", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(session_.Test(c.name), c.found) << c.name;
        EXPECT_EQ(session_.CurrentDirectory(), "/w") << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpBothServersTest,
                         ::testing::Values(FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd),
                         [](const auto& info) {
                             return info.param == FtpServerKind::kPyftpdlib ? "pyftpdlib"
                                                                            : "vsftpd";
                         });

TEST_F(FtpServerTest, LogOnFailuresGiveTheirCodesAndTexts) {
    Start(FtpServerKind::kPyftpdlib);
    if (IsSkipped()) {
        return;
    }
    const struct {
        const char* host;
        bool closedPort;
        const char* password;
        std::uint32_t code;
        const char* winsock;
    } cases[] = {
        {"127.0.0.1", false, "wrong", 12014, "0"},
        {"127.0.0.1", true, "secret", 12029, "10061"},
        {"host.invalid", false, "secret", 12007, "0"},
        {"bad/host", false, "secret", 12007, "0"},
    };
    for (const auto& c : cases) {
        FtpConnectOptions options = options_;
        options.host = c.host;
        options.password = c.password;
        if (c.closedPort) {
            options.port = 1;
        }
        EXPECT_FALSE(session_.Connect(options)) << c.code;
        EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), std::to_string(c.code));
        EXPECT_EQ(sink_.Get("FTP.LASTMSG"), common::ftp::FtpErrorText(c.code));
        EXPECT_EQ(sink_.Get("FTP.WINSOCK"), c.winsock) << c.code;
        EXPECT_FALSE(sink_.LastError().empty()) << c.code;
        EXPECT_FALSE(session_.IsConnected());
    }
    EXPECT_FALSE(session_.Get("x", Local("x"), 1));
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12019");
}

TEST_F(FtpServerTest, AnonymousOnlyServerRefusesTheUserName) {
    Start(FtpServerKind::kVsftpd);
    if (IsSkipped()) {
        return;
    }
    options_.user = "tester";
    EXPECT_FALSE(session_.Connect(options_));
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12013");
    EXPECT_EQ(sink_.Get("FTP.LASTLINE").substr(0, 3), "530");
}

TEST_F(FtpServerTest, DroppedConnectionFailsWithoutLeavingAPartialFile) {
    Start(FtpServerKind::kPyftpdlib, {"--drop", "big.bin"});
    if (IsSkipped()) {
        return;
    }
    ASSERT_TRUE(Connect());
    RemoteFile("big.bin", std::string(4 << 20, 'z'));
    RemoteFile("small.bin", "fine");
    LocalFile("big.bin", "the old copy");
    EXPECT_FALSE(session_.Get("big.bin", Local("big.bin"), 1));
    const std::string code = sink_.Get("FTP.REPLY_CODE");
    EXPECT_TRUE(code == "12030" || code == "12031") << code;
    EXPECT_EQ(ReadFileBytes(Local("big.bin")), "the old copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(Local("")), fs::directory_iterator()), 1);
    // The next operation logs on again.
    EXPECT_TRUE(session_.Get("small.bin", Local("small.bin"), 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Local("small.bin")), "fine");
}

TEST_F(FtpServerTest, HostileListingNeverBuildsALocalPath) {
    Start(FtpServerKind::kPyftpdlib, {"--hostile"});
    if (IsSkipped()) {
        return;
    }
    ASSERT_TRUE(Connect());
    RemoteFile("good.txt", "good");
    fs::create_directories(Local("target"));
    EXPECT_FALSE(session_.MGet("*", Local("target"), 1));
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "123");
    EXPECT_FALSE(session_.RGet("*", Local("target"), 1));
    EXPECT_EQ(ReadFileBytes(Local("target/good.txt")), "good");
    // Nothing but good.txt appeared anywhere under the scratch folder's local side.
    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(Local(""))) {
        made.push_back(fs::relative(entry.path(), Local("")).string());
    }
    EXPECT_EQ(made, (std::vector<std::string>{"target", "target/good.txt"}));
    EXPECT_FALSE(fs::exists(scratch_ / "escape.txt"));
    EXPECT_FALSE(fs::exists(scratch_ / "up"));
    EXPECT_FALSE(fs::exists("/tmp/absolute.txt"));
}

TEST_F(FtpServerTest, ExplicitTlsWithAndWithoutCertificateChecks) {
    fs::create_directories(scratch_.Path() / "tls");
    // vsftpd: pyftpdlib resets data connections whose TLS handshake starts before
    // the transfer command, which is what libcurl does.
    Start(FtpServerKind::kVsftpd, {"--tls", (scratch_.Path() / "tls").string()});
    if (IsSkipped()) {
        return;
    }
    EXPECT_FALSE(session_.Connect(options_)); // plain log-on: the server wants TLS first
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12013");
    options_.explicitTls = true;
    EXPECT_FALSE(session_.Connect(options_)); // its certificate is self-signed
    EXPECT_EQ(sink_.Get("FTP.REPLY_CODE"), "12045");
    options_.verifyPeer = false;
    ASSERT_TRUE(Connect()) << sink_.LastError();
    LocalFile("secret.txt", "over TLS");
    ASSERT_TRUE(session_.Put(Local("secret.txt"), "secret.txt", 1)) << sink_.LastError();
    EXPECT_EQ(ReadFileBytes(Remote("secret.txt")), "over TLS");
}

TEST_F(FtpServerTest, ActiveModeAndIpv6) {
    Start(FtpServerKind::kPyftpdlib, {}, "::1");
    if (IsSkipped()) {
        return;
    }
    RemoteFile("v6.txt", "six");
    for (bool passive : {true, false}) {
        options_.passive = passive;
        ASSERT_TRUE(Connect()) << sink_.LastError();
        ASSERT_TRUE(session_.Get("v6.txt", Local("v6.txt"), 1)) << passive;
        EXPECT_EQ(ReadFileBytes(Local("v6.txt")), "six");
        fs::remove(Local("v6.txt"));
    }
}

} // namespace
} // namespace ob::test
