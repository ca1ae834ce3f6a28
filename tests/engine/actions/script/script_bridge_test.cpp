// Script statements run through the real interpreter and the real automation
// library: functions of the job file's VBScript part called from job blocks, their
// values in JR.COMMAND_RETURN, Print, Return and Raise reaching the session, and
// the failures reported with the script's own error text.

#include "script_fixture.h"

#include "support/host_events.h"

#include "engine/actions/script_bridge.h"
#include "engine/loading/core_dump.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ob::test {
namespace {

using TextLines = std::vector<std::string>;

constexpr const char* kFunctions = "Function Twice(n)\n"
                                   "  Print \"Twice of \" & n\n"
                                   "  Twice = n * 2\n"
                                   "End Function\n"
                                   "Function NoValue()\n"
                                   "End Function\n"
                                   "Function List()\n"
                                   "  List = Array(1, 2)\n"
                                   "End Function\n";

// A job "main" around one statement, printing after it.
std::string MainJob(const std::string& statement, const std::string& before = kFunctions) {
    return before + "{\n-name main\n-action " + statement + "\n-action -print after\n}\n";
}

TEST_F(ScriptTest, StatementValuesBecomeTheCommandReturn) {
    struct Case {
        std::string statement;
        TextLines lines;
        std::optional<std::string> commandReturn;
    };
    env::Set("OB_TEST_N", "5");
    const std::vector<Case> cases = {
        {"Twice(21)", {"Twice of 21", "after "}, "42"},
        {"Twice(%OB_TEST_N%)", {"Twice of 5", "after "}, "10"},
        {"If Twice(1) = 2 Then Print \"one-line if\"",
         {"Twice of 1", "one-line if", "after "},
         "0"},
        {"\"text \" & Len(\"abc\")", {"after "}, "text 3"},
        {"NoValue()", {"after "}, std::nullopt},
        {"List()", {"VBExec failure.", "after "}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        env::Set("JR.COMMAND_RETURN", "stale");
        EXPECT_EQ(LoadAndRun(MainJob(c.statement)), engine::RunResult::Continue);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Var("JR.COMMAND_RETURN"), c.commandReturn);
    }
}

TEST_F(ScriptTest, ReturnDecidesTheRunAndRaiseCallsTheErrorHandler) {
    const std::string functions = "Function Leave(how)\n  Return how\nEnd Function\n"
                                  "Function Fail()\n  Raise\nEnd Function\n";
    EXPECT_EQ(LoadAndRun(MainJob("Leave(\"stop\")", functions)), engine::RunResult::Stop);
    // As "-return stop": the job stops and leaves the queue.
    EXPECT_EQ(Lines(),
              (TextLines{"Trigger:main: " + NowLong() + ".", "--Stop triggered, removing job."}));
    EXPECT_EQ(Find("main"), nullptr);

    EXPECT_EQ(LoadAndRun(MainJob("Leave(\"\")", functions)), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), TextLines{"after "});
    EXPECT_EQ(Find("main")->GetVariable("$RETURN"), "continue");

    env::Set("JR.LAST_ERROR", "unchanged");
    EXPECT_EQ(LoadAndRun(functions + "{\n-name main\n-action -onerror handler\n-action Fail()\n"
                                     "-action -print after\n}\n"
                                     "{\n-name handler\n-action -print handled\n"
                                     "-action -return continue\n}\n"),
              engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (TextLines{"handled ", "after "}));
    EXPECT_EQ(Var("JR.LAST_ERROR"), "unchanged");
}

TEST_F(ScriptTest, UpdateInformationBecomesEvent2016) {
    Reset();
    Load(MainJob("AddUpdateInfo(\"item\", \"value\", \"attr\", \"attr value\")"));
    EXPECT_EQ(Run("main"), engine::RunResult::Continue);
    const std::vector<HostEvent> events = TakeHostEvents();
    ASSERT_EQ(CountEvents(events, OB_EV_UPDATE), 1u);
    for (const HostEvent& event : events) {
        if (event.code == OB_EV_UPDATE) {
            EXPECT_EQ(event.text, "item\rvalue\rattr\rattr value");
        }
    }
}

TEST_F(ScriptTest, FailuresAreFatalWithTheScriptsErrorText) {
    struct Case {
        std::string script;
        std::string message;
    };
    const std::string bad = "Function Bad(n)\n  x = 1\n  Bad = n + \"abc\"\nEnd Function\n";
    const std::vector<Case> cases = {
        // A call without parentheses is no value for rx0 (line 7 of the program).
        {MainJob("Twice 3"), "Error: Expected end of statement,   rx0 = Twice 3; in line 7"},
        {MainJob("Bad(1)", bad), "Error: Type mismatch,   Bad = n + \"abc\"; in line 3"},
        {MainJob("Dim x"), "Error: Expected expression,   rx0 = Dim x; in line 7"},
        {MainJob("Twice(1)", "Function Broken(\n"),
         "Error: Expected identifier, Function Broken(; in line 1"},
    };
    const std::string core = engine::CoreDumpPath();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        std::remove(core.c_str());
        Reset();
        const std::string file = Load(c.script);
        EXPECT_EQ(Run("main"), engine::RunResult::Abort);
        const Output out = Take();
        EXPECT_EQ(out.lines, (TextLines{"Error in file " + file, c.message, "Abort called."}));
        EXPECT_EQ(out.scriptErrors, 1u);
        std::ifstream dump(core);
        std::stringstream text;
        text << dump.rdbuf();
        EXPECT_NE(text.str().find("-name main"), std::string::npos) << "the queue was dumped";
    }
}

TEST_F(ScriptTest, ObsoleteSyntaxRunsWithAWarningBeforeTheStatement) {
    const std::string functions =
        "Function Old()\n  OBCtrl.Print \"old\"\n  Old = 1\nEnd Function\n";
    EXPECT_EQ(LoadAndRun(MainJob("Old()", functions)), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (TextLines{"*******", "Warning: Using obsolete syntax: 'OBCtrl.'", "*******",
                                  "old", "after "}));
    EXPECT_EQ(Var("JR.COMMAND_RETURN"), "1");
}

TEST_F(ScriptTest, EachStatementStartsAfreshButCronContextsLast) {
    const std::string script = "Dim counter\n"
                               "counter = counter + 1\n"
                               "Function Count()\n  Count = counter\nEnd Function\n"
                               "{\n-name main\n"
                               "-action Count()\n-action -print %JR.COMMAND_RETURN%\n"
                               "-action Count()\n-action -print %JR.COMMAND_RETURN%\n"
                               "-action CheckTime(4, False, \"* * * * *\")\n"
                               "-action -print %JR.COMMAND_RETURN%\n"
                               "-action CheckTime(4, False, \"* * * * *\")\n"
                               "-action -print %JR.COMMAND_RETURN%\n"
                               "-action DestroyCronContext(4, 4)\n"
                               "-action -print %JR.COMMAND_RETURN%\n}\n";
    EXPECT_EQ(LoadAndRun(script), engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (TextLines{"1 ", "1 ", "-1 ", "0 ", "1 "}));
}

TEST(ScriptProgram, LinesFollowTheStatementAndTheScriptText) {
    const std::string head = "  Dim OBCtrl\n  Set OBCtrl = CreateObject(\"OBCoreLib.Runtime\")\n";
    const std::string setup = "Function lpc()\n  rx1 = OBCtrl.Setup(0,7)\n"
                              "  rx2 = OBCtrl.Setup(1,-140000000000)\n";
    const std::string tail = "  lpc = rx0\n  'Call Print(rx0 & rx1 & rx2)\n";
    const std::string end = "  Set OBCtrl = Nothing\nEnd Function\n";
    struct Case {
        engine::ScriptProgramParts parts;
        std::string program;
    };
    const auto parts = [](const char* statement, bool obsolete, bool email) {
        return engine::ScriptProgramParts{statement, 7, -140000000000LL, obsolete, email};
    };
    const std::vector<Case> cases = {
        {parts("MyFunc(3)", false, false),
         head + "\n" + setup + "  rx0 = MyFunc(3)\n" + tail + end},
        {parts("if x Then Print \"a\"", false, false),
         head + "\n" + setup + "if x Then Print \"a\"\n  rx0 = 0 \n" + tail + end},
        {parts("Ifx(1)", true, true),
         head +
             "  Dim EmailSystem\n  Set EmailSystem = CreateObject(\"OBCoreLib.EmailSystem\")\n\n" +
             setup + "  Call Print (\"*******\")\n" +
             "  Call Print (\"Warning: Using obsolete syntax: 'OBCtrl.'\")\n" +
             "  Call Print (\"*******\")\n  rx0 = Ifx(1)\n" + tail +
             "  Set EmailSystem = Nothing\n" + end},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine::ScriptProgram(c.parts), c.program) << c.parts.statement;
    }
}

TEST(ScriptProgram, EmailObjectsAreWantedOnlyForUncommentedUsesOfTheMailClasses) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Set m = CreateObject(\"OBCoreLib.smtp\")", true},
        {"x = \"obcorelib.POP3\"", true},
        {"Set m = CreateObject(\"OBCoreLib.smtp\")\nSet e = "
         "CreateObject(\"OBCoreLib.EmailSystem\")",
         false},
        {"' Set m = CreateObject(\"OBCoreLib.smtp\")", false},
        {"  rem Set m = CreateObject(\"OBCoreLib.smtp\")", false},
        {"OBCoreLib.smtp", false}, // nothing before it on its line
        {"x = 1 ' OBCoreLib.smtp", true},
        {"Set m = CreateObject(\"OBCoreLib.Runtime\")", false},
    };
    for (const auto& [text, wanted] : cases) {
        EXPECT_EQ(engine::WantsEmailObjects(text), wanted) << text;
    }
}

TEST(ScriptProgram, ErrorTextsTakeTheFirstFormThatHasItsPartsAndStayShort) {
    using vbscript::ScriptError;
    struct Case {
        ScriptError error;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{13, "Type mismatch", "x = a + b", 4, "VBScript runtime error"},
         "Error: Type mismatch, x = a + b; in line 4"},
        {{0, "", "x = a + b", 4, "Custom source"}, "Error: Custom source"},
        {{0, "", "x = a + b", 4, ""}, "Error: x = a + b"},
        {{}, "Error: Unknown VBScript error."},
        {{5, std::string(300, 'd'), "", 1, ""}, "Error: " + std::string(248, 'd')},
        // A two-byte character across the limit is left out whole.
        {{5, std::string(247, 'd') + "\xC3\xA9xyz", "", 1, ""}, "Error: " + std::string(247, 'd')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine::ScriptErrorText(c.error), c.text);
    }
}

} // namespace
} // namespace ob::test
