#include "engine/jobs/action_statement.h"
#include "engine/jobs/skip_statement.h"
#include "parser_fixture.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::test {
namespace {

using namespace ob::engine;

class StatementParsing : public ParserTest {};

TEST_F(StatementParsing, ResultsByKeywordAndArguments) {
    const struct {
        const char* text;
        engine::ParseResult result;
    } cases[] = {
        {"-start", engine::ParseResult::Ok},
        {"-START\n", engine::ParseResult::Ok},
        {"-Stop", engine::ParseResult::Ok},
        {"-suspend", engine::ParseResult::MissingArgument},
        {"-resume \t\r\n", engine::ParseResult::MissingArgument},
        {"-skip", engine::ParseResult::MissingArgument},
        {"-name", engine::ParseResult::MissingArgument},
        {"-action\n", engine::ParseResult::MissingArgument},
        {"-command", engine::ParseResult::Ok},
        {"-what x", engine::ParseResult::Unknown},
        {"-", engine::ParseResult::Unknown},
        {"1abc(2)", engine::ParseResult::Unknown},
        {"_hidden(1)", engine::ParseResult::Unknown},
        {"\xc3\xa9t\xc3\xa9(1)", engine::ParseResult::Unknown},
        {"Foo", engine::ParseResult::ParenthesesExpected},
        {"Foo \t\n", engine::ParseResult::ParenthesesExpected},
        {"Foo(1)", engine::ParseResult::Ok},
        {"Foo (1)", engine::ParseResult::Ok},
        {"x_1.Run(2)", engine::ParseResult::Ok},
        {"(x)", engine::ParseResult::Failed},
        {"", engine::ParseResult::Failed},
        {"   \n", engine::ParseResult::Failed},
    };
    for (const auto& c : cases) {
        auto job = NewJob();
        EXPECT_EQ(Parse(*job, c.text), c.result) << c.text;
    }
}

TEST_F(StatementParsing, EachKeywordBuildsItsStatementWithTheUnexpandedText) {
    env::Set("OB_PARSER_WORD", "expanded");
    const struct {
        const char* text;
        std::uint32_t kind;
        const char* stored;
    } cases[] = {
        {"  -start  \n", KIND_START, ""},
        {"-stop -delay 0 1 0 0", KIND_STOP, "-delay 0 1 0 0"},
        {"-suspend -delay 0 1 0 0", KIND_SUSPEND, "-delay 0 1 0 0"},
        {"-resume -delay 0 2 0 0", KIND_RESUME, "-delay 0 2 0 0"},
        {"-skip -week 1 7", KIND_SKIP, "-week 1 7"},
        {"\t-action   -spawn  echo #1  \n", KIND_ACTION, "-spawn  echo #1"},
        {"-action -spawn %OB_PARSER_WORD%", KIND_ACTION, "-spawn %OB_PARSER_WORD%"},
        {"MsgBox(\"a, b\")", KIND_ACTION, "MsgBox(\"a, b\")"},
        {"MsgBox (\"a\")\n", KIND_ACTION, "MsgBox (\"a\")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto job = NewJob();
        ASSERT_EQ(engine::ParseStatement(session, *job, 7, c.text), engine::ParseResult::Ok);
        ASSERT_EQ(job->Statements().size(), 2u);
        const engine::Statement& statement = *job->Statements().back();
        EXPECT_EQ(statement.Kind(), c.kind);
        EXPECT_EQ(statement.Text(), c.stored);
        EXPECT_EQ(statement.line, 7u);
        EXPECT_EQ(statement.flags, 0u);
        EXPECT_TRUE(statement.comment.empty());
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(StatementParsing, SkipStatementGetsItsDays) {
    auto job = NewJob();
    ASSERT_EQ(Parse(*job, "-skip -week 1 7"), engine::ParseResult::Ok);
    const auto& skip = dynamic_cast<const SkipStatement&>(*job->Statements().back());
    EXPECT_EQ(skip.days, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 1}));
}

TEST_F(StatementParsing, NameJoinsItsWordsAndTakesItsOptions) {
    env::Set("OB_PARSER_WORD", "expanded");
    const struct {
        const char* text;
        const char* name;
        std::uint32_t flags;
    } cases[] = {
        {"-name Nightly,Backup", "Nightly Backup", 0},
        {"-name   Big   \"Old  Job\"  ", "Big Old  Job", 0},
        {"-name -exclusive -internal x", "x", JF_EXCLUSIVE | JF_INTERNAL},
        {"-name -EXCLUSIVE x", "x", JF_EXCLUSIVE},
        {"-name x -exclusive", "x -exclusive", 0},
        {"-name %OB_PARSER_WORD% job", "expanded job", 0},
        {"-name a=b", "a=b", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto job = NewJob();
        ASSERT_EQ(Parse(*job, c.text), engine::ParseResult::Ok);
        EXPECT_EQ(job->GetVariable("$NAME"), c.name);
        EXPECT_EQ(job->Flags(), c.flags);
        EXPECT_EQ(job->Statements().size(), 1u); // no statement of its own
    }
}

TEST_F(StatementParsing, NameWithOnlyOptionsFails) {
    auto job = NewJob();
    EXPECT_EQ(Parse(*job, "-name -internal -exclusive"), engine::ParseResult::Failed);
    EXPECT_FALSE(job->GetVariable("$NAME").has_value());
}

TEST_F(StatementParsing, CommandBecomesSpawnWithTheObsoleteComment) {
    auto job = NewJob();
    ASSERT_EQ(Parse(*job, "-command ls -l /tmp\n"), engine::ParseResult::Ok);
    ASSERT_EQ(job->Statements().size(), 2u);
    const engine::Statement& action = *job->Statements().back();
    EXPECT_EQ(action.Kind(), KIND_ACTION);
    // The arguments keep their leading blank after the inserted "-spawn ".
    EXPECT_EQ(action.Text(), "-spawn  ls -l /tmp");
    EXPECT_EQ(action.line, 1u);
    EXPECT_EQ(action.flags, 0u);
    EXPECT_EQ(action.comment, "*******\r\nWarning: Using obsolete syntax: -command\r\n"
                              "Please see help for -action -spawn\r\n*******\r\n");
}

TEST_F(StatementParsing, SendKeysBecomesACallWithTheObsoleteComment) {
    const struct {
        const char* text;
        const char* call;
    } cases[] = {
        {"-action -sendkeys Notepad {ENTER}", "SendKeys(\"{ENTER}\")"},
        {"-action -SendKeys \"My Window\", \"hello world\"", "SendKeys(\"hello world\")"},
        {"-action -sendkeys Notepad", "SendKeys(\"\")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto job = NewJob();
        ASSERT_EQ(Parse(*job, c.text), engine::ParseResult::Ok);
        ASSERT_EQ(job->Statements().size(), 2u);
        const engine::Statement& call = *job->Statements().back();
        EXPECT_EQ(call.Kind(), KIND_ACTION);
        EXPECT_EQ(call.Text(), c.call);
        EXPECT_EQ(call.comment, "*******\r\nWarning: Using obsolete syntax: -action -sendkeys\r\n"
                                "Please see help for Function SendKeys\r\n*******\r\n");
    }
}

TEST_F(StatementParsing, SendKeysVersionProbeIsDropped) {
    for (const char* text :
         {"-action -sendkeys SENDKEYS.VERSION x", "-action -sendkeys sendkeys.version"}) {
        auto job = NewJob();
        EXPECT_EQ(Parse(*job, text), engine::ParseResult::Ok) << text;
        EXPECT_EQ(job->Statements().size(), 1u) << text;
    }
}

TEST_F(StatementParsing, MatchActionIsInertAndOwnsItsMatchStatement) {
    const auto before = datetime::OleDate::Now();
    auto job = NewJob();
    ASSERT_EQ(engine::ParseStatement(session, *job, 4, "-action -match -delay 0 0 5 0\n"),
              engine::ParseResult::Ok);
    ASSERT_EQ(job->Statements().size(), 2u);
    const auto& action = dynamic_cast<const ActionStatement&>(*job->Statements().back());
    EXPECT_EQ(action.Text(), "-match -delay 0 0 5 0");
    EXPECT_EQ(action.flags, STF_INERT);
    ASSERT_NE(action.match, nullptr);
    EXPECT_EQ(action.match->Kind(), KIND_MATCH);
    EXPECT_NE(action.match->flags & STF_INERT, 0u);
    EXPECT_EQ(action.match->line, 4u);
    EXPECT_EQ(action.match->Text(), "-delay 0 0 5 0");
    // Evaluated: the next time lies about five minutes ahead.
    const double minutes = (action.match->next.Value() - before.Value()) * 24 * 60;
    EXPECT_GT(minutes, 4.9);
    EXPECT_LT(minutes, 5.2);
    EXPECT_EQ(OfKind(*job, KIND_MATCH).size(), 0u); // never in the job's own list
}

TEST_F(StatementParsing, MatchWithABadTimeAddsNothing) {
    auto job = NewJob();
    EXPECT_EQ(Parse(*job, "-action -match -inc 0 0 0 0"), engine::ParseResult::Failed);
    EXPECT_EQ(job->Statements().size(), 1u);
    EXPECT_EQ(Lines().size(), 1u); // the time parser's own message
    EXPECT_EQ(ScriptErrors(), 1u);
}

TEST_F(StatementParsing, OnlyTheWordMatchStartsAMatch) {
    auto job = NewJob();
    ASSERT_EQ(Parse(*job, "-action -matchbox x"), engine::ParseResult::Ok);
    const auto& action = dynamic_cast<const ActionStatement&>(*job->Statements().back());
    EXPECT_EQ(action.match, nullptr);
    EXPECT_EQ(action.flags, 0u);
}

TEST_F(StatementParsing, QuotedSeparatorsUpToTheLimitAreFine) {
    env::Set("OB_PARSER_BLANKS", std::string(4096, ' '));
    auto job = NewJob();
    EXPECT_EQ(Parse(*job, "-action -spawn \"%OB_PARSER_BLANKS%%OB_PARSER_BLANKS%\""),
              engine::ParseResult::Ok);
    EXPECT_EQ(Parse(*job, "-action -spawn \"%OB_PARSER_BLANKS%%OB_PARSER_BLANKS% \""),
              engine::ParseResult::Failed);
    EXPECT_EQ(Parse(*job, "-name \"%OB_PARSER_BLANKS%%OB_PARSER_BLANKS% \""),
              engine::ParseResult::Failed);
    EXPECT_EQ(job->Statements().size(), 2u);
}

TEST_F(StatementParsing, TextEndsAtANulCharacter) {
    auto job = NewJob();
    ASSERT_EQ(Parse(*job, std::string_view("-action -spawn a\0b", 18)), engine::ParseResult::Ok);
    EXPECT_EQ(job->Statements().back()->Text(), "-spawn a");
}

} // namespace
} // namespace ob::test
