// The directives that run other jobs in place: -if, -while and -foreach -file.

#include "engine/actions/directive_table.h"
#include "flow_fixture.h"
#include "platform/env/environment.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace ob::test {
namespace {

class LoopDirectives : public FlowTest {
protected:
    // Jobs "big", "small" print their names; "stopper", "breaker" and "aborter"
    // return stop, break and abort.
    static std::string TargetJobs() {
        return "{\n-name big\n-action -print big\n}\n"
               "{\n-name small\n-action -print small\n}\n"
               "{\n-name stopper\n-action -print stopping\n-action -return stop\n}\n"
               "{\n-name breaker\n-action -return break\n}\n"
               "{\n-name aborter\n-action -return abort\n}\n";
    }
    engine::RunResult RunMain(const std::string& statements) {
        Reset();
        Load(TargetJobs() + "{\n-name main\n" + statements + "}\n");
        return Run("main");
    }
    std::string ReturnOfMain() { return Find("main")->GetVariable("$RETURN").value_or("(unset)"); }

    // A folder of files for -foreach: two plain files, and a hidden file, a
    // read-only file and a directory that all match "*.txt" and are skipped.
    std::string MakeFiles() {
        const std::filesystem::path dir = Scratch().Path() / "in";
        std::filesystem::create_directories(dir / "folder.txt");
        for (const char* name : {"a.txt", "b.txt", ".hidden.txt", "locked.txt", "other.dat"}) {
            std::ofstream(dir / name) << name;
        }
        ::chmod((dir / "locked.txt").c_str(), 0444);
        return dir.string();
    }
};

TEST_F(LoopDirectives, IfRunsTheJobThatTheValueSelects) {
    struct Case {
        const char* value;
        const char* statement;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"5", "-if %OBT_N%>3 big small", {"big ", "after "}},
        {"3", "-if %OBT_N%>3 big small", {"small ", "after "}},
        {"5", "-if 0 big", {"after "}},
        {"5", "-if OBT_N big,small", {"big ", "after "}},
        {"5", "-if 1 nosuch", {"Label not found: \"nosuch\"", "after "}},
        {"5", "-if 0 big nosuch", {"Label not found: \"nosuch\"", "after "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        env::Set("OBT_N", c.value);
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n-action -print after\n"),
                  engine::RunResult::Continue);
        EXPECT_EQ(Lines(), c.lines);
    }
}

TEST_F(LoopDirectives, IfHandsANonZeroRunResultToItsCaller) {
    struct Case {
        const char* target;
        engine::RunResult result;
        const char* returnValue;
    };
    const Case cases[] = {
        {"stopper", engine::RunResult::Stop, "stop"},
        {"breaker", engine::RunResult::Break, "break"},
        {"aborter", engine::RunResult::Abort, "abort"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(RunMain(std::string("-action -if 1 ") + c.target + "\n-action -print after\n"),
                  c.result);
        const auto lines = Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "after "), 0);
        if (c.result != engine::RunResult::Stop) { // a stopped main has left the queue
            EXPECT_EQ(ReturnOfMain(), c.returnValue);
        }
    }
}

TEST_F(LoopDirectives, IfAndWhileReportTheirFormatErrors) {
    struct Case {
        const char* statement;
        const char* lastError;
        const char* message;
    };
    const Case cases[] = {
        {"-if", "Invalid format for -if", "-if expression error."},
        {"-if 1", "Invalid format for -if", "-if expression error."},
        {"-if 1+ big", "Invalid expression format", "-eval expression error."},
        {"-if OBT_UNSET_NAME big", "Invalid expression format", "-eval expression error."},
        {"-while 1", "Invalid format for -while", "-while expression error."},
        {"-while (1 big", "Invalid expression format", "-eval expression error."},
    };
    env::Remove("OBT_UNSET_NAME");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n-action -print after\n"),
                  engine::RunResult::Abort);
        const Output out = Take();
        ASSERT_GE(out.lines.size(), 2u);
        EXPECT_EQ(out.lines[1], c.message);
        EXPECT_EQ(out.scriptErrors, 1u);
        EXPECT_EQ(Var("JR.LAST_ERROR"), c.lastError);
    }
}

TEST_F(LoopDirectives, WhileRunsItsJobUntilTheValueIsZero) {
    Reset();
    Load("{\n-name body\n-action -print round %OBT_COUNT%\n-action -set -eval "
         "OBT_COUNT=%OBT_COUNT%+1\n}\n"
         "{\n-name main\n-action -set OBT_COUNT=0\n-action -while %OBT_COUNT%<3 body\n"
         "-action -print done %OBT_COUNT%\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"round 0 ", "round 1 ", "round 2 ", "done 3 "}));

    EXPECT_EQ(Run("main"), engine::RunResult::Continue) << "a zero value at once runs nothing";
    Load("{\n-name never\n-action -while 0 body\n}\n");
    EXPECT_EQ(Run("never"), engine::RunResult::Continue);
}

TEST_F(LoopDirectives, WhileEndsWhenItsJobEndsWithANonZeroResult) {
    EXPECT_EQ(RunMain("-action -while 1 stopper\n-action -print after\n"), engine::RunResult::Stop);
    auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "stopping "), 1) << "one round only";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "after "), 0);
    EXPECT_EQ(RunMain("-action -while 1 breaker\n-action -print after\n"),
              engine::RunResult::Break);
    EXPECT_EQ(ReturnOfMain(), "break");
}

TEST_F(LoopDirectives, WhileWithoutItsJobPrintsTheLabelEachRoundUntilBreak) {
    Reset();
    Load("{\n-name main\n-action -while 1 nosuch\n-action -print after\n}\n");
    std::thread breaker([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        session.breakEvent.Set();
    });
    const auto result = Run("main");
    breaker.join();
    EXPECT_EQ(result, engine::RunResult::Break);
    EXPECT_EQ(ReturnOfMain(), "break");
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u) << "the label message comes once per round";
    EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l == "Label not found: \"nosuch\"";
    }));
}

TEST_F(LoopDirectives, WhileAndForeachStopAtTheBreakEvent) {
    const std::string dir = MakeFiles();
    Load(TargetJobs() + "{\n-name main\n}\n");
    session.breakEvent.Set();
    EXPECT_EQ(Call(engine::DirectiveWhile, *Find("main"), {"-while", "1", "big"}),
              engine::Outcome::Return);
    EXPECT_EQ(ReturnOfMain(), "break");
    Find("main")->SetVariable("$RETURN=continue");
    EXPECT_EQ(Call(engine::DirectiveForeach, *Find("main"),
                   {"-foreach", "-file", dir + "/*.txt", "OBT_F", "big"}),
              engine::Outcome::Return);
    EXPECT_EQ(ReturnOfMain(), "break");
    EXPECT_TRUE(Lines().empty()) << "no job ran";
}

TEST_F(LoopDirectives, ForeachRunsItsJobForEachPlainFile) {
    const std::string dir = MakeFiles();
    Reset();
    Load("{\n-name each\n-action -print %OBT_F% %OBT_F.FNAME% %OBT_F.EXT%\n}\n"
         "{\n-name main\n-action -foreach -file " +
         dir + "/*.txt OBT_F each\n-action -print done\n}\n");
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "done ");
    lines.pop_back();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{dir + "/a.txt a .txt ", dir + "/b.txt b .txt "}));
}

TEST_F(LoopDirectives, ForeachWithoutUsableFilesFailsSoftly) {
    const std::string dir = MakeFiles();
    for (const std::string& pattern : {dir + "/*.none", dir + "/.h*", dir + "/folder*",
                                       dir + "/locked.txt", dir + "/missing/*"}) {
        SCOPED_TRACE(pattern);
        env::Set("JR.LAST_ERROR", "earlier");
        EXPECT_EQ(RunMain("-action -onerror small\n-action -foreach -file " + pattern +
                          " OBT_F big\n-action -print after\n"),
                  engine::RunResult::Continue);
        EXPECT_EQ(Lines(), (std::vector<std::string>{"small ", "after "}));
        EXPECT_EQ(Var("JR.LAST_ERROR"), "No files matching pattern.");
    }
}

TEST_F(LoopDirectives, ForeachGoesOnWhenItsJobIsMissingAndStopsWhenItStops) {
    const std::string dir = MakeFiles();
    EXPECT_EQ(
        RunMain("-action -foreach -file " + dir + "/*.txt OBT_F nosuch\n-action -print after\n"),
        engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Label not found: \"nosuch\"",
                                                 "Label not found: \"nosuch\"", "after "}));

    EXPECT_EQ(RunMain("-action -foreach -file " + dir + "/*.txt OBT_F stopper\n"),
              engine::RunResult::Stop);
    const auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "stopping "), 1) << "one entry only";
}

TEST_F(LoopDirectives, ForeachFormatErrorsAreFatal) {
    struct Case {
        const char* statement;
        const char* message;
    };
    const Case cases[] = {
        {"-foreach -file *.txt OBT_F", "Missing argument for directive \"-foreach\""},
        {"-foreach", "Missing argument for directive \"-foreach\""},
        {"-foreach -dir *.txt OBT_F big", "-foreach enumeration type not supported."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n"), engine::RunResult::Abort);
        const Output out = Take();
        ASSERT_GE(out.lines.size(), 2u);
        EXPECT_EQ(out.lines[1], c.message);
        EXPECT_EQ(out.scriptErrors, 1u);
    }
}

} // namespace
} // namespace ob::test
