// The runtime object's handle-based Ftp methods through real VBScript against a
// loopback server: FtpConnect's session object, every operation on it, failed
// connects, and FtpClose followed by FreeHandle. (Handles that name no session are
// runtime_dispatch_test's.)
#include "ftp_script_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::test {
namespace {

class RuntimeFtpTest : public FtpScriptTest {
protected:
    /// The server's port as the 16-bit port parameter takes it (above 32767 less
    /// 65536).
    std::string PortWord() const {
        const int port = std::stoi(Port());
        return std::to_string(port > 32767 ? port - 65536 : port);
    }
    /// Connects h; false when the server cannot run.
    bool ConnectHandle() {
        if (!StartServer()) {
            return false;
        }
        Exec("h = rt.FtpConnect(\"127.0.0.1\", " + PortWord() + ", \"tester\", \"secret\")");
        EXPECT_NE(Eval("h"), "0") << Var("JR.LAST_ERROR");
        return true;
    }
};

TEST_F(RuntimeFtpTest, EveryMethodWorksOnASessionHandle) {
    if (!ConnectHandle()) {
        GTEST_SKIP() << Problem();
    }
    // The server stores text with LF line ends, binary files as they came.
    WriteFileBytes(Local("dos.txt"), "a\r\nb\r\n");
    const std::string dos = Quoted(Local("dos.txt"));
    Expect({
        {"rt.FtpMkDir(h, \"d\")", "-1"},
        {"rt.FtpPut(h, " + dos + ", \"d/text.txt\", False)", "-1"},
        {"rt.FtpPut(h, " + dos + ", \"d/bin.txt\", True)", "-1"},
        {"rt.FtpGet(h, \"d/bin.txt\", " + Quoted(Local("text.txt")) + ", 0)", "-1"},
        {"rt.FtpGet(h, \"d/bin.txt\", " + Quoted(Local("bin.txt")) + ", 1)", "-1"},
    });
    EXPECT_EQ(ReadFileBytes(Root() + "/d/text.txt"), "a\nb\n");
    EXPECT_EQ(ReadFileBytes(Root() + "/d/bin.txt"), "a\r\nb\r\n");
    EXPECT_EQ(ReadFileBytes(Local("text.txt")), "a\nb\n");
    EXPECT_EQ(ReadFileBytes(Local("bin.txt")), "a\r\nb\r\n");
    Expect({
        {"rt.FtpRename(h, \"d/bin.txt\", \"d/moved.txt\")", "-1"},
        {"rt.FtpTest(h, \"d\") & rt.FtpTest(h, \"d/*.txt\") & rt.FtpTest(h, \"d/*.zip\")", "-1-10"},
        {"rt.FtpCd(h, \"d\")", "-1"},
        {"rt.FtpDel(h, \"moved.txt\")", "-1"},
        {"rt.FtpDel(h, \"moved.txt\")", "0"},
        {"rt.GetEnvironmentVariable(1, \"FTP.REPLY_CODE\")", "12003"},
        {"rt.FtpCd(h, \"..\") & rt.FtpRmDir(h, \"d\")", "-10"}, // d still holds text.txt
        {"rt.FtpDel(h, \"d/text.txt\") & rt.FtpRmDir(h, \"d\")", "-1-1"},
        {"rt.FtpClose(h)", "-1"},
        {"rt.FreeHandle(h)", "-1"},
    });
    EXPECT_FALSE(std::filesystem::exists(Root() + "/d"));
}

TEST_F(RuntimeFtpTest, AFailedConnectAnswersZeroAndRecordsTheReason) {
    if (!StartServer()) {
        GTEST_SKIP() << Problem();
    }
    struct Case {
        std::string arguments;
        std::string code;
    };
    const std::vector<Case> cases = {
        {"\"127.0.0.1\", " + PortWord() + ", \"tester\", \"wrong\"", "12014"},
        {"\"127.0.0.1\", 1, \"tester\", \"secret\"", "12029"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Eval("rt.FtpConnect(" + c.arguments + ")"), "0") << c.arguments;
        EXPECT_EQ(Var("FTP.REPLY_CODE"), c.code) << c.arguments;
    }
}

TEST_F(RuntimeFtpTest, FtpCloseThenFreeHandleReleasesOnceAndLeavesTheHandleStale) {
    if (!ConnectHandle()) {
        GTEST_SKIP() << Problem();
    }
    Expect({
        {"rt.FtpClose(h)", "-1"},
        {"rt.FtpClose(h)", "0"}, // closed already
        {"rt.FtpCd(h, \"/\")", "0"},
        {"rt.GetEnvironmentVariable(1, \"FTP.REPLY_CODE\")", "12019"},
        {"rt.FreeHandle(h)", "-1"},
        {"rt.FreeHandle(h)", "0"},
        {"rt.FtpClose(h) & rt.FtpCd(h, \"/\")", "00"},
    });
    // A session freed while open is closed by FreeHandle; its handle goes stale too.
    Exec("h = rt.FtpConnect(\"127.0.0.1\", " + PortWord() + ", \"tester\", \"secret\")");
    Expect({{"rt.FreeHandle(h)", "-1"}, {"rt.FtpTest(h, \"/\")", "0"}});
}

} // namespace
} // namespace ob::test
