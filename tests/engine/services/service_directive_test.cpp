// Service calls from job statements: -load -service, the built-in service rows,
// loaded services found by the dispatcher, and the messages of the result codes.
#include "engine/actions/directive_table.h"
#include "engine/services/service_call.h"
#include "engine/services/service_directives.h"
#include "engine/session/engine_session.h"
#include "host_fixture.h"
#include "obrenta/obrenta.h"
#include "obrenta/service.h"
#include "platform/env/environment.h"
#include "platform/text/ascii_case.h"
#include "platform/time/ole_date.h"
#include "service_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::test {
namespace {

/// A handler that calls the loaded service named by words[0].
engine::Outcome CallLoadedService(engine::ActionContext& context) {
    return engine::CallService(context,
                               engine::FindLoadedService(context.session, context.words[0])->entry);
}

class ServiceDirectiveTest : public HostDirectiveTest {
protected:
    void SetUp() override {
        HostDirectiveTest::SetUp();
        env::Remove("JR.LAST_ERROR");
        RegisterService("codes", {{"library", TestModule("codes")}});
    }

    /// Loads a one-job script whose actions are `actions` (one per line) and runs it.
    engine::RunResult RunActions(const std::vector<std::string>& actions,
                                 const std::string& runtime = "") {
        std::string text = "{\n\t-name caller\n";
        for (const std::string& action : actions) {
            text += "\t-action " + action + "\n";
        }
        text += "}\n";
        if (!LoadScript("caller.jr", text)) {
            ADD_FAILURE() << "script did not load";
            return engine::RunResult::Abort;
        }
        if (!runtime.empty()) {
            Find("caller")->SetVariable("$RUNTIME=" + runtime);
        }
        return Run("caller");
    }

    static std::string LastError() { return env::Get("JR.LAST_ERROR").value_or("(unset)"); }
};

TEST_F(ServiceDirectiveTest, LoadedServiceIsCalledByItsNameWithADash) {
    EXPECT_EQ(RunActions({"-load -service codes", "-CODES check A,B", "-print after the call"}),
              engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_TRUE(HasLine(Lines(events), "after the call ")) << "the words arrived as expected";
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
}

TEST_F(ServiceDirectiveTest, ResultCodesBecomeOutcomesAndMessages) {
    ASSERT_EQ(engine::LoadService(session, "codes"), engine::SERVICE_LOADED);
    struct Case {
        std::string code;
        engine::Outcome outcome;
        std::string message; // empty: no fatal report
    };
    const std::vector<Case> cases = {
        {"0", engine::Outcome::Done, ""},
        {"1", engine::Outcome::Fatal, "Bad format for SERVICE command: \"-codes code 1\""},
        {"2", engine::Outcome::Fatal, "Too few parameters for SERVICE command: \"-codes code 2\""},
        {"3", engine::Outcome::Fatal, "Bad SERVICE handle"},
        {"4", engine::Outcome::SoftFailure, ""},
        {"5", engine::Outcome::Fatal, "The requested SERVICE: \"code\", is not implemented"},
        {"6", engine::Outcome::Fatal, "The requested SERVICE: \"code\", is unrecognized"},
        {"9", engine::Outcome::Fatal, "The requested SERVICE: \"code\", returned an unknown error"},
        {"-1", engine::Outcome::Fatal,
         "The requested SERVICE: \"code\", returned an unknown error"},
    };
    ASSERT_NE(engine::FindLoadedService(session, "-codes"), nullptr);
    for (const Case& c : cases) {
        env::Set("JR.LAST_ERROR", "left by the service");
        engine::Job job(datetime::OleDate::Now());
        EXPECT_EQ(Call(CallLoadedService, job, {"-codes", "code", c.code}), c.outcome) << c.code;
        const auto events = Events();
        EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), c.message.empty() ? 0u : 1u)
            << c.code;
        if (!c.message.empty()) {
            EXPECT_TRUE(HasLine(Lines(events), c.message)) << c.code;
        }
        EXPECT_EQ(LastError(), "left by the service") << c.code;
    }
}

TEST_F(ServiceDirectiveTest, ServiceFailuresLeaveTheJobToItsHandlers) {
    // A fatal service result ends in $RUNTIME, here "continue"; a soft one in
    // $ONERROR (default continue): either way the job goes on.
    EXPECT_EQ(RunActions({"-load -service codes", "-codes code 9", "-codes", "-codes code",
                          "-codes code 4", "-print still running"},
                         "continue"),
              engine::RunResult::Continue);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "The requested SERVICE: \"code\", returned an unknown error"));
    EXPECT_TRUE(HasLine(lines, "Bad format for SERVICE command: \"-codes\""));
    EXPECT_TRUE(HasLine(lines, "Too few parameters for SERVICE command: \"-codes code\""));
    EXPECT_TRUE(HasLine(lines, "still running "));
}

TEST_F(ServiceDirectiveTest, AFatalServiceResultAbortsByDefault) {
    EXPECT_EQ(RunActions({"-load -service codes", "-codes code 6", "-print not reached"}),
              engine::RunResult::Abort);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "The requested SERVICE: \"code\", is unrecognized"));
    EXPECT_FALSE(HasLine(lines, "not reached "));
}

TEST_F(ServiceDirectiveTest, LoadFailuresAreSoftWithTheCodeText) {
    struct Case {
        std::string action;
        std::string lastError;
    };
    const std::vector<Case> cases = {
        {"-load -service nothing_registered", "no registry entry"},
        {"-load -service codes", ""},
        {"-load -service CODES", "already loaded a service by that name"},
    };
    for (const Case& c : cases) {
        env::Remove("JR.LAST_ERROR");
        engine::Job job(datetime::OleDate::Now());
        std::vector<std::string> words;
        for (std::size_t start = 0, end; start < c.action.size(); start = end + 1) {
            end = c.action.find(' ', start);
            if (end == std::string::npos) {
                end = c.action.size();
            }
            words.push_back(c.action.substr(start, end - start));
        }
        EXPECT_EQ(Call(engine::DirectiveLoad, job, words),
                  c.lastError.empty() ? engine::Outcome::Done : engine::Outcome::SoftFailure)
            << c.action;
        EXPECT_EQ(env::Get("JR.LAST_ERROR").value_or(""), c.lastError) << c.action;
        EXPECT_EQ(Count(Events(), OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
    }
}

TEST_F(ServiceDirectiveTest, JobOptionsWithServiceWarnAndStillLoad) {
    engine::Job job(datetime::OleDate::Now());
    EXPECT_EQ(Call(engine::DirectiveLoad, job, {"-load", "-temp", "-service", "codes"}),
              engine::Outcome::Done);
    EXPECT_TRUE(
        HasLine(Lines(Events()), "-temp, -wait and -internal may not be used with -service"));
    EXPECT_EQ(session.services.size(), 1u);
    EXPECT_EQ(Call(engine::DirectiveLoad, job, {"-load", "-service", "codes", "-WAIT"}),
              engine::Outcome::SoftFailure);
    EXPECT_TRUE(
        HasLine(Lines(Events()), "-temp, -wait and -internal may not be used with -service"));
}

TEST_F(ServiceDirectiveTest, LoadWithoutServiceNameIsFatal) {
    engine::Job job(datetime::OleDate::Now());
    EXPECT_EQ(Call(engine::DirectiveLoad, job, {"-load", "-service"}), engine::Outcome::Fatal);
    const auto events = Events();
    EXPECT_TRUE(
        HasLine(Lines(events), "You must supply a service.\r\nExample: -action -load_service FTP"));
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
}

TEST_F(ServiceDirectiveTest, AnUnloadedNameIsAnUnknownDirective) {
    EXPECT_EQ(RunActions({"-codes code 0"}), engine::RunResult::Abort);
    EXPECT_TRUE(HasLine(Lines(Events()), "Unknown -action directive \"-codes\""));
}

TEST_F(ServiceDirectiveTest, StrFromAJobScript) {
    EXPECT_EQ(
        RunActions({"-str MakeUpper UP \"a b,c\"", "-str Len N %UP%", "-print %UP% %N%", "-str"},
                   "continue"),
        engine::RunResult::Continue);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "A B C 1 ")) << "%UP% expands to A B,C; unquoted, the comma splits";
    EXPECT_TRUE(HasLine(lines, "Bad format for SERVICE command: \"-str\""));
}

TEST_F(ServiceDirectiveTest, StrUnknownMethodAndOutOfRangeIndex) {
    EXPECT_EQ(RunActions({"-onerror continue", "-str GetAt C abc 7", "-print %JR.LAST_ERROR%",
                          "-str Frobnicate R x"}),
              engine::RunResult::Abort);
    const auto lines = Lines(Events());
    EXPECT_TRUE(HasLine(lines, "Index 7 is outside the string. "));
    EXPECT_TRUE(HasLine(lines, "The requested SERVICE: \"Frobnicate\", is unrecognized"));
}

TEST_F(ServiceDirectiveTest, BuiltInRowsComeBeforeScriptStatementsAndMatchAnyCase) {
    EXPECT_EQ(RunActions({"-STR MakeLower LOW ABC", "-Ftp FTP.VERSION", "-print %LOW%"}),
              engine::RunResult::Continue);
    EXPECT_TRUE(HasLine(Lines(Events()), "abc "));
    EXPECT_EQ(env::Get("FTP.VERSION"), "Obrenta FTP version 2.0");
}

// An explicit "" reaches a service as an empty word: the string functions of an
// empty string, and MakePath with no drive as the services manual shows it.
TEST_F(ServiceDirectiveTest, QuotedEmptyWordsReachTheService) {
    env::Set("LOGFILE", "/var/log/app.txt");
    env::Remove("OBT_EMPTY");
    for (const char* name : {"A", "E", "BACKUP"}) {
        env::Remove(name);
    }
    EXPECT_EQ(RunActions({"-str Len A \"\"", "-str IsEmpty E \"%OBT_EMPTY%\"",
                          "-str SplitPath \"%LOGFILE%\" DRV DIR BASE EXT",
                          "-str MakePath BACKUP \"\" \"%DIR%\" \"%BASE%-old\" \"%EXT%\""}),
              engine::RunResult::Continue);
    EXPECT_EQ(Count(Events(), OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
    EXPECT_EQ(env::Get("A").value_or("(unset)"), "0");
    EXPECT_EQ(env::Get("E").value_or("(unset)"), "1");
    EXPECT_EQ(env::Get("BACKUP").value_or("(unset)"), "/var/log/app-old.txt");
}

} // namespace
} // namespace ob::test
