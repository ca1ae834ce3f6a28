// The directives of flow control and variables that act once: -print, -set,
// -onerror, -SetEvent/-ClearEvent, -CheckEvent and -test.

#include "flow_fixture.h"
#include "platform/env/environment.h"
#include "variables/variable_manager.h"

namespace ob::test {
namespace {

class FlowDirectives : public FlowTest {
protected:
    // Loads a job "main" with the statements (one per line) and a handler job
    // "handler" that prints "handled"; runs main.
    engine::RunResult RunMain(const std::string& statements, bool withHandler = false) {
        Reset();
        Load("{\n-name handler\n-action -print handled\n}\n{\n-name main\n" +
             std::string(withHandler ? "-action -onerror handler\n" : "") + statements + "}\n");
        return Run("main");
    }
};

TEST_F(FlowDirectives, PrintWritesEachWordFollowedByABlank) {
    struct Case {
        const char* statement;
        const char* line;
    };
    const Case cases[] = {
        {"-action -print", ""},
        {"-action -print one", "one "},
        {"-action -print a,b   \"c d\"", "a b c d "},
        {"-action -print 100%% sure", "100% sure "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(RunMain(std::string(c.statement) + "\n"), engine::RunResult::Continue);
        EXPECT_EQ(Lines(), (std::vector<std::string>{c.line}));
    }
}

TEST_F(FlowDirectives, SetWritesProcessVariables) {
    struct Case {
        const char* statement;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"-set OBT_A=1,2", "OBT_A", "1"},          // the comma ends the word
        {"-set \"OBT_A=1,2\"", "OBT_A", "1,2"},    // quotes keep it
        {"-set OBT_X", "OBT_X", "OBT_X"},          // no "=": name and value are the word
        {"-set OBT_E=a=b", "OBT_E", "a=b"},        // split at the first "="
        {"-set -eval OBT_N=$1F+1", "OBT_N", "32"}, // hexadecimal in either case
        {"-set -eval OBT_N=$1f+1", "OBT_N", "32"},
        {"-set -EVAL OBT_N=-7/2", "OBT_N", "-3"},
        {"-set OBT_W=one two", "OBT_W", "one"}, // further words are ignored
        {"-set -persist OBT_P=kept", "OBT_P", "kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        env::Remove(c.name);
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n"),
                  engine::RunResult::Continue);
        EXPECT_EQ(Var(c.name), c.value);
        EXPECT_EQ(Take().scriptErrors, 0u);
    }
}

TEST_F(FlowDirectives, SetPersistStoresTheValueAndEvalComesFirst) {
    EXPECT_EQ(RunMain("-action -set -eval -persist OBT_STORED=2*3\n"), engine::RunResult::Continue);
    EXPECT_EQ(Var("OBT_STORED"), "6");
    env::Remove("OBT_STORED");
    EXPECT_EQ(vars::MainStore().Get(nullptr, "OBT_STORED", vars::ENV_PERSISTENT | vars::ENV_FORCE),
              "6");

    // Only without "-persist" the write stays in the environment.
    EXPECT_EQ(RunMain("-action -set OBT_LIVE=1\n"), engine::RunResult::Continue);
    env::Remove("OBT_LIVE");
    EXPECT_FALSE(vars::MainStore()
                     .Get(nullptr, "OBT_LIVE", vars::ENV_PERSISTENT | vars::ENV_FORCE)
                     .has_value());

    // "-persist" before "-eval" is not an option pair: "-eval" is the assignment.
    EXPECT_EQ(RunMain("-action -set -persist -eval OBT_Q=1\n"), engine::RunResult::Continue);
    EXPECT_EQ(Var("-eval"), "-eval");
    EXPECT_FALSE(Var("OBT_Q").has_value());
}

TEST_F(FlowDirectives, SetWithEmptyValueRemovesTheVariable) {
    env::Set("OBT_GONE", "here");
    EXPECT_EQ(RunMain("-action -set OBT_GONE=\n"), engine::RunResult::Continue);
    EXPECT_FALSE(Var("OBT_GONE").has_value());
}

TEST_F(FlowDirectives, FatalFailuresOfSetAndOfTheEventDirectives) {
    env::Set("OBT_LONG", std::string(3000, 'x'));
    struct Case {
        const char* statement;
        const char* message;
    };
    const Case cases[] = {
        {"-set", "Missing variable assignment."},
        {"-set -eval", "Missing variable assignment."},
        {"-set -eval -persist", "Missing variable assignment."},
        {"-set -eval OBT_N=1+", "-eval expression error."},
        {"-set -eval OBT_N=OBT_UNSET_NAME", "-eval expression error."},
        {"-set -persist OBT_L=%OBT_LONG%", "Unable to set environment variable: \"OBT_L\""},
        {"-set =5", "Unable to set environment variable: \"\""},
        {"-onerror", "Missing onerror handler name."},
        {"-SetEvent", "Missing argument for directive \"-SetEvent\""},
        {"-clearevent", "Missing argument for directive \"-clearevent\""},
        {"-CheckEvent", "Missing argument for directive \"-CheckEvent\""},
        {"-CheckEvent -except", "Missing argument for directive \"-CheckEvent\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n-action -print after\n"),
                  engine::RunResult::Abort);
        const Output out = Take();
        ASSERT_GE(out.lines.size(), 2u);
        EXPECT_EQ(out.lines[1], c.message);
        EXPECT_EQ(out.lines.back(), "Abort called.");
        EXPECT_EQ(out.scriptErrors, 1u);
    }
}

TEST_F(FlowDirectives, SetEventAndClearEventWriteOneAndZero) {
    EXPECT_EQ(RunMain("-action -SetEvent OBT_EV\n"), engine::RunResult::Continue);
    EXPECT_EQ(Var("OBT_EV"), "1");
    EXPECT_EQ(RunMain("-action -ClearEvent OBT_EV\n"), engine::RunResult::Continue);
    EXPECT_EQ(Var("OBT_EV"), "0");
}

TEST_F(FlowDirectives, CheckEventFailsSoftlyWhenItsConditionIsMet) {
    struct Case {
        const char* value; // null: unset
        bool except;
        bool handled;
    };
    const Case cases[] = {
        {"1", false, true},   {"0", false, false}, {nullptr, false, false}, {"yes", false, true},
        {"05", false, false}, {"1", true, false},  {"0", true, true},       {nullptr, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value != nullptr ? c.value : "(unset)") +
                     (c.except ? " -except" : ""));
        if (c.value != nullptr) {
            env::Set("OBT_EVENT", c.value);
        } else {
            env::Remove("OBT_EVENT");
        }
        env::Set("JR.LAST_ERROR", "earlier");
        const std::string statement =
            std::string("-action -CheckEvent ") + (c.except ? "-except " : "") + "OBT_EVENT\n";
        EXPECT_EQ(RunMain(statement + "-action -print after\n", true), engine::RunResult::Continue);
        const std::vector<std::string> expected =
            c.handled ? std::vector<std::string>{"handled ", "after "}
                      : std::vector<std::string>{"after "};
        EXPECT_EQ(Lines(), expected);
        EXPECT_EQ(Var("JR.LAST_ERROR"), "earlier") << "the last error is left alone";
    }
}

TEST_F(FlowDirectives, TestSelectsTheHandlerOnZero) {
    env::Set("OBT_FIVE", "5");
    struct Case {
        const char* statement;
        bool handled;
    };
    const Case cases[] = {
        {"-test 1", false},           {"-test 0", true},          {"-test %OBT_FIVE%>3", false},
        {"-test OBT_FIVE==5", false}, {"-test OBT_FIVE-5", true}, {"-test 'A'==65", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        env::Set("JR.LAST_ERROR", "earlier");
        EXPECT_EQ(RunMain(std::string("-action ") + c.statement + "\n-action -print after\n", true),
                  engine::RunResult::Continue);
        const std::vector<std::string> expected =
            c.handled ? std::vector<std::string>{"handled ", "after "}
                      : std::vector<std::string>{"after "};
        EXPECT_EQ(Lines(), expected);
        EXPECT_EQ(Var("JR.LAST_ERROR"), "earlier");
    }
}

TEST_F(FlowDirectives, TestWithoutExpressionFailsSoftly) {
    env::Remove("OBT_NOT_SET");
    EXPECT_EQ(RunMain("-action -test %OBT_NOT_SET%\n-action -print after\n", true),
              engine::RunResult::Continue);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"handled ", "after "}));
    EXPECT_EQ(Var("JR.LAST_ERROR"), "Variable not set in -test. Exception raised.");
}

TEST_F(FlowDirectives, TestOfAnUnsetNameIsAnExpressionError) {
    env::Remove("UNSETNAME");
    EXPECT_EQ(RunMain("-action -test UNSETNAME\n-action -print after\n", true),
              engine::RunResult::Abort);
    const Output out = Take();
    ASSERT_GE(out.lines.size(), 2u);
    EXPECT_EQ(out.lines[1], "-test format error.");
    EXPECT_EQ(out.scriptErrors, 1u);
    EXPECT_EQ(Var("JR.LAST_ERROR"), "Invalid -test expression format: UNSETNAME");
}

TEST_F(FlowDirectives, SoftFailureWithoutHandlerIsIgnoredButRecorded) {
    env::Remove("JR.LAST_ERROR");
    EXPECT_EQ(RunMain("-action -raise\n-action -test 0\n-action -print after\n"),
              engine::RunResult::Continue);
    const Output out = Take();
    EXPECT_EQ(out.lines, (std::vector<std::string>{"after "}));
    EXPECT_EQ(out.scriptErrors, 0u);
    EXPECT_EQ(Var("JR.LAST_ERROR"), "User raised exception.");
}

} // namespace
} // namespace ob::test
