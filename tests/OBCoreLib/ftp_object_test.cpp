// The ftp object (OBCoreLib.ftp) through real VBScript: its members in slot order,
// its properties, the errors a careless script gets, the failures without a
// session, its operations against a loopback server, and its call log.
#include "ftp_script_fixture.h"

#include "OBCoreLib/ftp/ftp_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::test {
namespace {

using corelib::MemberKind;

const std::string kDefaultTypes = ".CGI.CLASS.FILE.HTM.HTML.JAVA.JS.LOG.PHP.PL.PM.TEMP.TXT.XML";

class FtpObjectTest : public FtpScriptTest {
protected:
    void TearDown() override {
        Exec("f.TextTypes = \"" + kDefaultTypes + "\""); // the list is process-wide
    }
    /// Starts the server and gives f its properties; false when it cannot run.
    bool Serve() {
        if (!StartServer()) {
            return false;
        }
        UseServer();
        return true;
    }
    void UseServer() {
        Exec("f.Server = \"127.0.0.1\" : f.Port = " + Port() +
             " : f.UserName = \"tester\" : f.Password = \"secret\"");
    }
};

TEST(FtpObjectMembers, KeepTheirSlotOrderDispatchIdsAndKinds) {
    struct Row {
        const char* name;
        MemberKind kind;
    };
    const auto G = MemberKind::PropertyGet;
    const auto P = MemberKind::PropertyPut;
    const auto M = MemberKind::Method;
    const std::vector<Row> rows = {
        {"Server", G},
        {"Server", P},
        {"UserName", G},
        {"UserName", P},
        {"Password", G},
        {"Password", P},
        {"Port", G},
        {"Port", P},
        {"Passive", G},
        {"Passive", P},
        {"Connect", M},
        {"Disconnect", M},
        {"GetLastError", M},
        {"ClearLastError", M},
        {"GetErrorString", M},
        {"GetLastResponse", M},
        {"InitLogFile", M},
        {"LogFileWrite", M},
        {"Test", M},
        {"Get", M},
        {"Del", M},
        {"Put", M},
        {"Rename", M},
        {"RGet", M},
        {"RDel", M},
        {"MGet", M},
        {"RPut", M},
        {"MPut", M},
        {"MDel", M},
        {"Cd", M},
        {"Mkdir", M},
        {"Rmdir", M},
        {"TextTypes", G},
        {"TextTypes", P},
    };
    const auto members = corelib::FtpMembers();
    ASSERT_EQ(members.size(), rows.size());
    std::int32_t dispid = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind != P) {
            ++dispid; // a put row shares its get row's id
        }
        EXPECT_EQ(members[i].name, rows[i].name);
        EXPECT_EQ(members[i].kind, rows[i].kind) << rows[i].name;
        EXPECT_EQ(members[i].dispid, dispid) << rows[i].name;
        const std::string help =
            (rows[i].kind == M ? "method " : "property ") + std::string(rows[i].name);
        EXPECT_EQ(members[i].help, help);
    }
    EXPECT_EQ(dispid, 28);
}

TEST_F(FtpObjectTest, PropertiesStartEmptyAndReadBackWhatWasSet) {
    Expect({{"TypeName(f)", "Iftp"},
            {"f.Server & \"|\" & f.UserName & \"|\" & f.Password", "||"},
            {"f.Port & \"|\" & f.Passive", "0|0"},
            {"f.TextTypes", kDefaultTypes}});
    Exec("f.server = \"ftp.example.com\" : f.USERNAME = \"u\" : f.Password = \"p w\"");
    Exec("f.Port = 4294967295 : f.Passive = 7");
    Expect({{"f.Server & \"|\" & f.UserName & \"|\" & f.Password", "ftp.example.com|u|p w"},
            {"f.Port & \"|\" & f.Passive", "4294967295|-1"}});
    // Numbers round as a dispatcher rounds them: half to even.
    Exec("f.Port = 2.5");
    EXPECT_EQ(Eval("f.Port"), "2");
    Exec("f.Port = \"3.5\"");
    EXPECT_EQ(Eval("f.Port"), "4");
}

TEST_F(FtpObjectTest, TextTypesTakesOnlyAListThatBeginsWithADot) {
    const std::vector<Step> cases = {
        {".dat.Csv", ".DAT.CSV"},
        {"txt", ".DAT.CSV"}, // not a list: unchanged
        {"", ""},            // nothing is text any more
        {".log", ".LOG"},
    };
    for (const Step& c : cases) {
        Exec("f.TextTypes = " + Quoted(c.expression));
        EXPECT_EQ(Eval("f.TextTypes"), c.value) << c.expression;
    }
}

TEST_F(FtpObjectTest, WrongTypesAndCountsRaiseAndRunNothing) {
    const std::vector<std::pair<std::string, long>> cases = {
        {"f.Port = -1", 6},
        {"f.Port = 4294967296", 6},
        {"f.Port = \"abc\"", 13},
        {"f.Port = Null", 13},
        {"f.Passive = \"yes\"", 13},
        {"x = f.Get(\"a\", \"b\", 40000)", 6},
        {"x = f.Get(\"a\", \"b\", \"text\")", 13},
        {"x = f.Get(\"a\", \"b\")", 450},
        {"x = f.Mkdir(Null)", 13},
        {"x = f.GetErrorString(\"x\")", 13},
        {"x = f.Connect(1)", 450},
        {"f.Connect = 1", 438},
        {"x = f.Frobnicate()", 438},
    };
    for (const auto& [statement, number] : cases) {
        EXPECT_EQ(Raised(statement), number) << statement;
    }
    EXPECT_EQ(Var("FTP.REPLY_CODE"), "(unset)") << "no operation ran";
    EXPECT_EQ(Eval("f.Port"), "0");
}

TEST_F(FtpObjectTest, WithoutASessionEveryOperationFailsWith12019) {
    const std::vector<std::string> operations = {
        "f.Get(\"r\", \"l\", 1)",
        "f.Del(\"r\")",
        "f.Put(\"l\", \"r\", 0)",
        "f.Rename(\"a\", \"b\")",
        "f.RGet(\"*\", \".\", 2)",
        "f.RDel(\"*\")",
        "f.MGet(\"*\", \".\", 2)",
        "f.RPut(\"*\", \".\", 2)",
        "f.MPut(\"*\", \".\", 2)",
        "f.MDel(\"*\")",
        "f.Cd(\"d\")",
        "f.Mkdir(\"d\")",
        "f.Rmdir(\"d\")",
    };
    for (const std::string& operation : operations) {
        env::Remove("FTP.REPLY_CODE");
        EXPECT_EQ(Eval(operation), "12019") << operation;
        EXPECT_EQ(Var("FTP.REPLY_CODE"), "12019") << operation;
    }
    Expect({{"f.Test(\"d\")", "0"},
            {"f.GetLastError()", "12019"},
            {"f.GetErrorString(f.GetLastError())",
             "The handle given is not in a state that allows this operation."}});
    Exec("f.Disconnect");
    Exec("f.ClearLastError");
    Expect({{"f.GetLastError()", "0"}, {"f.GetErrorString(0)", "No Error(0)"}});
}

TEST_F(FtpObjectTest, FailedConnectsAnswerTheirErrorAndLeaveNoSession) {
    if (!Serve()) {
        GTEST_SKIP() << Problem();
    }
    struct Case {
        std::string settings;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"f.Password = \"wrong\"", "12014"},
        {"f.Port = 1", "12029"},
        // 65557 cut to 16 bits is 21: refused before anything is sent.
        {"f.Port = 65557", "87"},
        {"f.Server = \"\"", "12007"},
    };
    for (const Case& c : cases) {
        UseServer();
        EXPECT_EQ(Eval("f.Connect()"), "0") << "the good settings connect";
        Exec(c.settings);
        EXPECT_EQ(Eval("f.Connect()"), c.result) << c.settings;
        EXPECT_EQ(Eval("f.GetLastError()"), c.result) << c.settings;
        EXPECT_EQ(Eval("f.Cd(\"/\")"), "12019") << c.settings << ": the old session is gone";
    }
    EXPECT_EQ(Eval("f.GetErrorString(12014)"),
              "The request to connect and log on to an FTP server could not be completed "
              "because the supplied password is incorrect.");
}

TEST_F(FtpObjectTest, SingleFileAndDirectoryOperationsReachTheServer) {
    if (!Serve()) {
        GTEST_SKIP() << Problem();
    }
    // The server stores text with LF line ends, binary files as they came.
    WriteFileBytes(Local("notes.txt"), "a\r\nb\r\n");
    WriteFileBytes(Local("photo.gif"), "GIF\r\n");
    const std::string notes = Quoted(Local("notes.txt"));
    Expect({
        {"f.Connect()", "0"},
        {"f.Mkdir(\"in\")", "0"},
        {"f.Mkdir(\"in\")", "12003"},
        {"Left(f.GetLastResponse(), 4)", "550 "},
        {"f.Put(" + notes + ", \"in/text.txt\", 0)", "0"},
        {"f.Put(" + notes + ", \"in/binary.txt\", 1)", "0"},
        {"f.Put(" + notes + ", \"in/auto.log\", 2)", "0"},
        {"f.Put(" + Quoted(Local("photo.gif")) + ", \"in/auto.gif\", 2)", "0"},
        {"Left(f.GetLastResponse(), 4)", "226 "},
        {"f.Get(\"in/binary.txt\", " + Quoted(Local("back.txt")) + ", 2)", "0"},
        {"f.Get(\"in/binary.txt\", " + Quoted(Local("back.bin")) + ", 1)", "0"},
        {"f.Get(\"in/none.txt\", " + Quoted(Local("none.txt")) + ", 1)", "12003"},
        {"f.Rename(\"in/binary.txt\", \"in/renamed.txt\")", "0"},
        {"f.Test(\"in\") & f.Test(\"in/*.gif\") & f.Test(\"in/*.zip\")", "-1-10"},
        {"f.Cd(\"in\")", "0"},
        {"f.Del(\"renamed.txt\")", "0"},
        {"f.Del(\"renamed.txt\")", "12003"},
        {"f.Cd(\"..\")", "0"},
        {"f.Rmdir(\"in\")", "12003"}, // not empty
    });
    EXPECT_EQ(ReadFileBytes(Root() + "/in/text.txt"), "a\nb\n");
    EXPECT_EQ(ReadFileBytes(Root() + "/in/auto.log"), "a\nb\n");
    EXPECT_EQ(ReadFileBytes(Root() + "/in/auto.gif"), "GIF\r\n");
    EXPECT_FALSE(std::filesystem::exists(Root() + "/in/renamed.txt"));
    EXPECT_EQ(ReadFileBytes(Local("back.txt")), "a\nb\n");
    EXPECT_EQ(ReadFileBytes(Local("back.bin")), "a\r\nb\r\n");
    EXPECT_FALSE(std::filesystem::exists(Local("none.txt")));

    Exec("f.Disconnect");
    EXPECT_EQ(Eval("f.Cd(\"in\")"), "12019");
    EXPECT_EQ(Eval("f.Connect()"), "0") << "a new session after Disconnect";
}

TEST_F(FtpObjectTest, WildcardAndRecursiveOperationsReachTheServer) {
    if (!Serve()) {
        GTEST_SKIP() << Problem();
    }
    namespace fs = std::filesystem;
    fs::create_directories(Local("tree/sub"));
    fs::create_directories(Local("down"));
    fs::create_directories(Local("flat"));
    WriteFileBytes(Local("tree/a.txt"), "a\n");
    WriteFileBytes(Local("tree/a.tmp"), "t\n");
    WriteFileBytes(Local("tree/sub/b.txt"), "b\n");
    const std::string tree = Quoted(Local("tree") + "/*");
    Expect({
        {"f.Connect()", "0"},
        {"f.Mkdir(\"up\") & f.Mkdir(\"flat\")", "00"},
        {"f.RPut(" + tree + ", \"up\", 1)", "0"},
        {"f.MPut(" + Quoted(Local("tree") + "/*.txt") + ", \"flat\", 1)", "0"},
        {"f.RGet(\"up/*.txt\", " + Quoted(Local("down")) + ", 1)", "0"},
        {"f.MGet(\"up/*\", " + Quoted(Local("flat")) + ", 1)", "0"},
        {"f.MGet(\"up/*\", " + Quoted(Local("missing")) + ", 1)", "3"},
        {"f.MDel(\"up/*.tmp\")", "0"},
        {"f.Test(\"up/*.tmp\")", "0"},
        {"f.RDel(\"up/*\")", "0"},
        {"f.Rmdir(\"up\")", "0"},
    });
    EXPECT_EQ(ReadFileBytes(Root() + "/flat/a.txt"), "a\n");
    EXPECT_FALSE(fs::exists(Root() + "/flat/a.tmp"));
    EXPECT_EQ(ReadFileBytes(Local("down/a.txt")), "a\n");
    EXPECT_EQ(ReadFileBytes(Local("down/sub/b.txt")), "b\n");
    EXPECT_FALSE(fs::exists(Local("down/a.tmp")));
    EXPECT_EQ(ReadFileBytes(Local("flat/a.tmp")), "t\n");
    EXPECT_FALSE(fs::exists(Local("flat/sub"))) << "MGet takes files only";
    EXPECT_FALSE(fs::exists(Local("missing")));
    EXPECT_FALSE(fs::exists(Root() + "/up"));
}

TEST_F(FtpObjectTest, TheCallLogRecordsEachCallWithItsOutcome) {
    if (!Serve()) {
        GTEST_SKIP() << Problem();
    }
    const std::string log = Scratch() / "calls.log";
    WriteFileBytes(Local("a.txt"), "x\n");
    Exec("x = f.InitLogFile(" + Quoted(log) + ")");
    Exec("f.Password = \"secret\" : x = f.Password : f.Passive = True : x = f.Passive");
    Exec("x = f.Connect()");
    Exec("x = f.Put(" + Quoted(Local("a.txt")) + ", \"a.txt\", 2)");
    Exec("x = f.Get(\"none.txt\", " + Quoted(Local("b.txt")) + ", 1)");
    Exec("x = f.Test(\"*.txt\") : x = f.GetLastError() : f.ClearLastError");
    Exec("x = f.GetErrorString(0) : f.LogFileWrite \"  as it stands \"");
    Exec("f.Port = 21 : x = f.Port : f.Disconnect");
    const std::string socket = "\tSocket error: 0\n";
    const std::string expected = "True = InitLogFile(\"" + log +
                                 "\")\n"
                                 "Password = \"####\"\n"
                                 "\"####\" = Password\n"
                                 "Passive = True\n"
                                 "True = Passive\n"
                                 "OK = Connect()\n"
                                 "Last line: 257 \"/\" is the current directory.\n" +
                                 socket + "OK = Put(\"" + Local("a.txt") +
                                 "\",\"a.txt\",Auto)\n"
                                 "Last line: 226 Transfer complete.\n" +
                                 socket + "12003 = Get(\"none.txt\",\"" + Local("b.txt") +
                                 "\",Binary)\n"
                                 "Last line: 550 /none.txt is not retrievable.\n"
                                 "Last Library message: 550 /none.txt is not retrievable.\n"
                                 "Last Library error: 12003\n" +
                                 socket +
                                 "True = Test(\"*.txt\")\n"
                                 "Last line: 226 Transfer complete.\n"
                                 "Last Library message: 550 /none.txt is not retrievable.\n"
                                 "Last Library error: 12003\n" +
                                 socket +
                                 "12003 = GetLastError()\n"
                                 "void = ClearLastError()\n"
                                 "No Error(0) = GetErrorString()\n"
                                 "  as it stands \n"
                                 "Port = 21\n"
                                 "21 = Port\n"
                                 "True = Disconnect\n"
                                 "Last line: 226 Transfer complete.\n"
                                 "Last Library message: 550 /none.txt is not retrievable.\n"
                                 "Last Library error: 0\n" +
                                 socket;
    EXPECT_EQ(ReadFileBytes(log), expected);
}

TEST_F(FtpObjectTest, ALogFileThatCannotBeCreatedLeavesLoggingOff) {
    const std::string missing = Scratch() / "no/such/folder/calls.log";
    EXPECT_EQ(Eval("f.InitLogFile(" + Quoted(missing) + ")"), "0");
    Exec("f.Server = \"x\" : f.LogFileWrite \"text\"");
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string log = Scratch() / "calls.log";
    EXPECT_EQ(Eval("f.InitLogFile(" + Quoted(log) + ")"), "-1");
    EXPECT_EQ(Eval("f.InitLogFile(" + Quoted(missing) + ")"), "0");
    Exec("f.Server = \"y\"");
    EXPECT_EQ(ReadFileBytes(log), "True = InitLogFile(\"" + log + "\")\n")
        << "a failed InitLogFile turns an earlier log off";
}

} // namespace
} // namespace ob::test
