#include "engine/loading/line_reader.h"
#include "parser_fixture.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ob::test {
namespace {

using engine::JF_INTERNAL;
using engine::KIND_START;
using engine::KIND_STOP;

class BlockParser : public ParserTest {};

TEST_F(BlockParser, OpeningAJobSetsItsVariablesAndNumbersFromJob204) {
    context.scriptText = std::make_shared<const std::string>("Sub Main\nEnd Sub\n");
    const auto before = datetime::OleDate::Now();
    ASSERT_TRUE(Load("{\n-start\n}\n{\n-start\n}\n"));
    EXPECT_TRUE(Lines().empty());
    ASSERT_EQ(QueuedJobs(), 2u);
    EXPECT_EQ(context.jobsOpened, 2u);
    EXPECT_EQ(session.nextJobNumber, 518u);

    const engine::Job& first = Queued(0);
    EXPECT_EQ(first.Env().variables,
              (std::vector<std::string>{"$FLAGS=0", "$FILENAME=test.jr", "$NAME=JOB:204"}));
    ASSERT_NE(first.Env().scriptText, nullptr);
    EXPECT_EQ(*first.Env().scriptText, "Sub Main\nEnd Sub\n");
    EXPECT_LE(std::fabs(first.Env().created.Value() - before.Value()), 5.0 / 86400);
    EXPECT_EQ(first.Statements().front().get(), &first.Env());
    EXPECT_EQ(Queued(1).GetVariable("$NAME"), "JOB:205");
}

TEST_F(BlockParser, JobNumberIsWrittenInUpperCaseHexadecimal) {
    session.nextJobNumber = 0xABC;
    ASSERT_TRUE(Load("{\n}\n"));
    ASSERT_EQ(QueuedJobs(), 1u);
    EXPECT_EQ(Queued(0).GetVariable("$NAME"), "JOB:ABC");
}

TEST_F(BlockParser, LoaderFlagsBecomeTheJobFlags) {
    ASSERT_TRUE(Load("{\n-start\n}\n", 2));
    ASSERT_EQ(QueuedJobs(), 1u);
    EXPECT_EQ(Queued(0).GetVariable("$FLAGS"), "2");
    EXPECT_TRUE(Queued(0).TestFlags(JF_INTERNAL));
}

// Every format error: one message, one script-error event, nothing queued.
struct FormatErrorCase {
    const char* jobText;
    const char* message;
};

TEST_F(BlockParser, FormatErrorsPrintTheirMessageAndPostOneScriptError) {
    const FormatErrorCase cases[] = {
        {"{\n  -bogus x\n}\n",
         "Error while processing test.jr.\r\nUnknown statment in line -bogus x\n."},
        {"{\n{\n}\n", "Error while processing test.jr.\r\nUnknown statment in line {\n."},
        {"{\n1abc(2)\n}\n",
         "Error while processing test.jr.\r\nUnknown statment in line 1abc(2)\n."},
        {"{\n\t-skip  \n}\n",
         "Format error while processing test.jr.\r\nExpected argument -skip  \n."},
        {"{\n-action\n}\n",
         "Format error while processing test.jr.\r\nExpected argument -action\n."},
        {"{\n-name\n}\n", "Format error while processing test.jr.\r\nExpected argument -name\n."},
        {"{\n-suspend\n}\n",
         "Format error while processing test.jr.\r\nExpected argument -suspend\n."},
        {"{\n-resume\n}\n",
         "Format error while processing test.jr.\r\nExpected argument -resume\n."},
        {"{\n  MyFunction\n}\n",
         "Format error while processing test.jr.\r\nExpected parentheses MyFunction\n."},
        {"{\n(x)\n}\n", "Format error while processing test.jr."},
        {"{\n-name -exclusive\n}\n", "Format error while processing test.jr."},
        {"-start\n", "Format error while processing test.jr.\r\n Expected '{'"},
        {"# fine\n\n  x {\n", "Format error while processing test.jr.\r\n Expected '{'"},
        {"{ # a comment\n-start\n}\n",
         "Format error while processing test.jr.\r\n Expected 'new line'"},
        {"{\n-start\n", "Premature end-of-file while processing test.jr."},
        {"{\n-start\n# }\n", "Premature end-of-file while processing test.jr."},
    };
    for (const FormatErrorCase& c : cases) {
        SCOPED_TRACE(c.jobText);
        const std::size_t errorsBefore = ScriptErrors();
        EXPECT_FALSE(Load(c.jobText));
        EXPECT_EQ(Lines(), std::vector<std::string>{c.message});
        EXPECT_EQ(ScriptErrors(), errorsBefore + 1);
        EXPECT_EQ(QueuedJobs(), 0u);
    }
}

TEST_F(BlockParser, TimeErrorGivesTwoMessagesAndTwoEvents) {
    EXPECT_FALSE(Load("{\n-start -inc 0 0 0 0\n}\n"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("-inc 0 0 0 0"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "Format error while processing test.jr.");
    EXPECT_EQ(ScriptErrors(), 2u);
    EXPECT_EQ(QueuedJobs(), 0u);
}

TEST_F(BlockParser, SkipErrorGivesTwoMessagesAndTwoEvents) {
    EXPECT_FALSE(Load("{\n-skip -week 8\n}\n"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Format error while processing test.jr.");
    EXPECT_EQ(ScriptErrors(), 2u);
}

TEST_F(BlockParser, TwoGoodBlocksThenABadOneLeaveTwoJobsQueued) {
    EXPECT_FALSE(Load("{\n-name one\n-start\n}\n"
                      "{\n-name two\n-start\n}\n"
                      "{\n-name three\n-frobnicate\n}\n"));
    ASSERT_EQ(QueuedJobs(), 2u);
    EXPECT_EQ(Queued(0).Name(), "one");
    EXPECT_EQ(Queued(1).Name(), "two");
    EXPECT_EQ(context.jobsOpened, 3u);
    EXPECT_EQ(Lines(),
              std::vector<std::string>{
                  "Error while processing test.jr.\r\nUnknown statment in line -frobnicate\n."});
    EXPECT_EQ(ScriptErrors(), 1u);
}

TEST_F(BlockParser, MissingCloseOfTheLastBlockKeepsTheEarlierJobs) {
    EXPECT_FALSE(Load("{\n-start\n}\n{\n-start\n"));
    EXPECT_EQ(QueuedJobs(), 1u);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Premature end-of-file while processing test.jr."});
}

TEST_F(BlockParser, LinesCountFromTheEndOfThePreviousBlock) {
    ASSERT_TRUE(Load("# comment\n{\n-start\n}\n\n{\n-stop\n  -start\n}\n"));
    ASSERT_EQ(QueuedJobs(), 2u);
    EXPECT_EQ(OfKind(Queued(0), KIND_START).at(0)->line, 3u);
    EXPECT_EQ(OfKind(Queued(1), KIND_STOP).at(0)->line, 3u);
    EXPECT_EQ(OfKind(Queued(1), KIND_START).at(0)->line, 4u);
}

TEST_F(BlockParser, EachCallParsesOneBlockAndLeavesTheRest) {
    engine::LineReader reader("{\n-start\n}\n{\n-stop\n}\n");
    ASSERT_TRUE(engine::ParseOneJob(session, context, reader));
    EXPECT_EQ(QueuedJobs(), 1u);
    EXPECT_EQ(reader.Rest(), "{\n-stop\n}\n");
    ASSERT_TRUE(engine::ParseOneJob(session, context, reader));
    EXPECT_EQ(QueuedJobs(), 2u);
    EXPECT_TRUE(reader.AtEnd());
}

TEST_F(BlockParser, TextWithoutBlocksIsFineAndQueuesNothing) {
    EXPECT_TRUE(Load("# Dim x\n\n   \n# Sub Foo\n"));
    EXPECT_TRUE(Load(""));
    EXPECT_EQ(QueuedJobs(), 0u);
    EXPECT_EQ(context.jobsOpened, 0u);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(BlockParser, CommentsBlankLinesAndTextAfterTheCloseAreIgnored) {
    ASSERT_TRUE(Load("  {  \r\n# inside\n\n  \t\n-action -spawn echo #1\n} anything here\n"));
    ASSERT_EQ(QueuedJobs(), 1u);
    const auto actions = OfKind(Queued(0), engine::KIND_ACTION);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0]->Text(), "-spawn echo #1");
    EXPECT_EQ(actions[0]->line, 5u);
}

TEST_F(BlockParser, JobThatOnlyNamesItselfIsQueuedButNotCounted) {
    ASSERT_TRUE(Load("{\n-name idle\n}\n"));
    ASSERT_EQ(QueuedJobs(), 1u);
    EXPECT_EQ(session.jobs.CountWithStart(), 0u);
    EXPECT_EQ(Queued(0).Statements().size(), 1u);
}

TEST_F(BlockParser, TooManyQuotedSeparatorsIsAFormatError) {
    env::Set("OB_PARSER_BLANKS", std::string(3000, ' '));
    EXPECT_FALSE(
        Load("{\n-action -spawn \"%OB_PARSER_BLANKS%%OB_PARSER_BLANKS%%OB_PARSER_BLANKS%\"\n}\n"));
    EXPECT_EQ(Lines(), std::vector<std::string>{"Format error while processing test.jr."});
    EXPECT_EQ(ScriptErrors(), 1u);
    EXPECT_EQ(QueuedJobs(), 0u);
}

} // namespace
} // namespace ob::test
