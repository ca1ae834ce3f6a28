// Runs every feature script in data/ through `obrenta vbs`: each script checks its
// own results and ends with WScript.Quit 1 when one of them is wrong. The
// administrator scripts in data/admin/ print what they do; their output must be
// exactly that of the .out file beside them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string output;
};

RunResult RunObrenta(const std::string& arguments) {
    RunResult result;
    const std::string command = std::string(OB_BIN_DIR) + "/obrenta vbs " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), n);
    }
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

std::vector<std::string> ScriptsIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".vbs") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FeatureScript : public ::testing::TestWithParam<std::string> {};

TEST_P(FeatureScript, PassesItsOwnChecks) {
    const std::string path = std::string(OB_TEST_DATA_DIR) + "/" + GetParam() + ".vbs";
    const RunResult r = RunObrenta("'" + path + "' first second");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("FAIL"), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(Scripts, FeatureScript, ::testing::ValuesIn(ScriptsIn(OB_TEST_DATA_DIR)),
                         [](const auto& info) { return info.param; });

const std::string kAdminScripts = std::string(OB_TEST_DATA_DIR) + "/admin";

class AdministratorScript : public ::testing::TestWithParam<std::string> {};

TEST_P(AdministratorScript, PrintsItsExpectedOutput) {
    const std::string base = kAdminScripts + "/" + GetParam();
    std::ifstream expectedFile(base + ".out", std::ios::binary);
    ASSERT_TRUE(expectedFile) << base << ".out";
    const std::string expected((std::istreambuf_iterator<char>(expectedFile)),
                               std::istreambuf_iterator<char>());
    const RunResult r = RunObrenta("'" + base + ".vbs'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, expected);
}

INSTANTIATE_TEST_SUITE_P(Scripts, AdministratorScript,
                         ::testing::ValuesIn(ScriptsIn(kAdminScripts)),
                         [](const auto& info) { return info.param; });

class TempScript {
public:
    explicit TempScript(const std::string& text) {
        path_ = fs::temp_directory_path() / ("vbs_test_" + std::to_string(::getpid()) + "_" +
                                             std::to_string(counter_++) + ".vbs");
        std::ofstream(path_) << text;
    }
    ~TempScript() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    std::string Path() const { return path_.string(); }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

TEST(VbsCommand, FailingCheckFailsTheRun) {
    TempScript script("If 1 <> 2 Then WScript.Quit 1\n");
    EXPECT_EQ(RunObrenta(script.Path()).status, 1);
}

TEST(VbsCommand, QuitCodeIsTheExitStatus) {
    TempScript script("WScript.Quit 7\nWScript.Echo \"not reached\"\n");
    const RunResult r = RunObrenta(script.Path());
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.output, "");
}

TEST(VbsCommand, EchoArgumentsAndScriptName) {
    TempScript script("WScript.Echo WScript.Arguments.Count, WScript.Arguments(1), "
                      "Len(WScript.ScriptName) > 4\n");
    const RunResult r = RunObrenta(script.Path() + " a bee");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "2 bee True\n");
}

TEST(VbsCommand, UnhandledErrorPrintsLineAndText) {
    TempScript script("Dim a\n\na = 1 / 0\n");
    const RunResult r = RunObrenta(script.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("(3) VBScript runtime error: Division by zero (11)"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("a = 1 / 0"), std::string::npos) << r.output;
}

TEST(VbsCommand, CompileErrorIsReportedWithItsLine) {
    TempScript script("Dim a\nIf a Then\na = 1\n");
    const RunResult r = RunObrenta(script.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("VBScript compilation error: Expected 'End' (1014)"), std::string::npos)
        << r.output;
}

TEST(VbsCommand, StandardStreamsAndNamedArguments) {
    TempScript input("one\r\ntwo\nthree");
    TempScript script(
        "WScript.StdOut.Write \"[\" & WScript.StdIn.ReadLine & \"|\" & WScript.StdIn.ReadLine\n"
        "WScript.StdOut.WriteLine \"|\" & WScript.StdIn.ReadAll & \"]\"\n"
        "WScript.StdErr.WriteLine \"to stderr\"\n"
        "WScript.StdOut.WriteLine WScript.StdIn.AtEndOfStream\n"
        "Set named = WScript.Arguments.Named\n"
        "WScript.Echo named.Count, named(\"name\"), IsEmpty(named(\"flag\")), "
        "named.Exists(\"FLAG\"), WScript.Arguments.Unnamed.Count, "
        "WScript.Arguments.Unnamed(0), WScript.Arguments.Count\n"
        "On Error Resume Next\n"
        "WScript.StdIn.ReadLine : WScript.Echo Err.Number : Err.Clear\n"
        "WScript.StdOut.ReadLine : WScript.Echo Err.Number : Err.Clear\n"
        "WScript.StdIn.Write \"x\" : WScript.Echo Err.Number : Err.Clear\n"
        "WScript.Sleep -1 : WScript.Echo Err.Number : Err.Clear\n"
        "WScript.Echo TypeName(WScript.CreateObject(\"Scripting.Dictionary\"))\n");
    const RunResult r =
        RunObrenta("'" + script.Path() + "' /flag /name:val plain < '" + input.Path() + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "[one|two|three]\nto stderr\nTrue\n2 val True True 1 plain 3\n"
                        "62\n54\n54\n5\nDictionary\n");
}

TEST(VbsCommand, MissingFileFails) {
    EXPECT_EQ(RunObrenta("/nonexistent/script.vbs").status, 1);
}

} // namespace
