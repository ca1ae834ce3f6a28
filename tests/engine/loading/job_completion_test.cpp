#include "engine/jobs/time_statement.h"
#include "parser_fixture.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::test {
namespace {

using namespace ob::engine;

constexpr const char* kIncComment = "*******\r\nWarning: Using obsolete syntax: -action -inc\r\n"
                                    "Please see help for -start -inc\r\n*******\r\n";

long IncrementSeconds(const Statement* statement) {
    return dynamic_cast<const TimeStatement&>(*statement).increment.TotalSeconds();
}

class Completion : public ParserTest {};

TEST_F(Completion, ObsoleteIncrementMovesIntoEveryStartStatement) {
    ASSERT_TRUE(Load("{\n-start\n-start -delay 0 1 0 0\n-action -inc 0 0 1 30\n-stop\n}\n"));
    EXPECT_TRUE(Lines().empty());
    ASSERT_EQ(QueuedJobs(), 1u);
    const auto starts = OfKind(Queued(0), KIND_START);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(IncrementSeconds(starts[0]), 90);
    EXPECT_EQ(IncrementSeconds(starts[1]), 90);
    EXPECT_EQ(IncrementSeconds(OfKind(Queued(0), KIND_STOP).at(0)), 0);
    const Statement* action = OfKind(Queued(0), KIND_ACTION).at(0);
    EXPECT_EQ(action->flags, STF_INERT);
    EXPECT_EQ(action->comment, kIncComment);
    EXPECT_EQ(action->Text(), "-inc 0 0 1 30");
}

TEST_F(Completion, StartWithItsOwnIncrementKeepsItAndSaysSo) {
    ASSERT_TRUE(Load("{\n-start -inc 0 0 0 5\n-start\n-action -INC 1 0 0 0\n}\n"));
    const auto starts = OfKind(Queued(0), KIND_START);
    EXPECT_EQ(IncrementSeconds(starts.at(0)), 5);
    EXPECT_EQ(IncrementSeconds(starts.at(1)), 86400);
    EXPECT_EQ(Lines(), std::vector<std::string>{"[Job already has -inc. Ignoring: -INC 1 0 0 0]"});
}

TEST_F(Completion, MalformedIncrementIsReportedForEachStart) {
    const struct {
        const char* action;
    } cases[] = {{"-inc 0 1"}, {"-inc"}, {"-inc 0 0 x 1"}, {"-inc 0 0 -1 0"}, {"-inc 0 0 0 0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        const std::size_t before = QueuedJobs();
        ASSERT_TRUE(Load(std::string("{\n-start\n-start\n-action ") + c.action + "\n}\n"));
        ASSERT_EQ(QueuedJobs(), before + 1);
        const Job& job = Queued(before);
        for (const Statement* start : OfKind(job, KIND_START)) {
            EXPECT_EQ(IncrementSeconds(start), 0);
        }
        const std::string message = std::string("[Invalid syntax for: ") + c.action + "]";
        EXPECT_EQ(Lines(), (std::vector<std::string>{message, message}));
        EXPECT_EQ(OfKind(job, KIND_ACTION).at(0)->flags, STF_INERT);
    }
}

TEST_F(Completion, IncrementMessagesNeedOutputLevelBit64) {
    env::Set("JR.OUTPUT_LEVEL", "BF");
    ASSERT_TRUE(Load("{\n-start -inc 0 0 0 5\n-action -inc 0 0 1 0\n}\n"));
    ASSERT_TRUE(Load("{\n-start\n-action -inc 0\n}\n"));
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(QueuedJobs(), 2u);
}

TEST_F(Completion, OnlyTheFirstActionWithLeadingIncIsRewritten) {
    ASSERT_TRUE(Load("{\n-start\n-action -spawn prog -inc 1 2 3 4\n-action -inc 0 0 0 10\n"
                     "-action -inc 0 0 0 20\nFoo(-inc)\n}\n"));
    const auto actions = OfKind(Queued(0), KIND_ACTION);
    ASSERT_EQ(actions.size(), 4u);
    EXPECT_EQ(actions[0]->flags, 0u); // -inc is not among its leading options
    EXPECT_EQ(actions[1]->flags, STF_INERT);
    EXPECT_EQ(actions[2]->flags, 0u);
    EXPECT_TRUE(actions[2]->comment.empty());
    EXPECT_EQ(actions[3]->flags, 0u);
    EXPECT_EQ(IncrementSeconds(OfKind(Queued(0), KIND_START).at(0)), 10);
}

TEST_F(Completion, IncrementWithoutStartStatementsOnlyTurnsInert) {
    ASSERT_TRUE(Load("{\n-action -inc 0 0 0 10\n}\n"));
    EXPECT_TRUE(Lines().empty());
    const Statement* action = OfKind(Queued(0), KIND_ACTION).at(0);
    EXPECT_EQ(action->flags, STF_INERT);
    EXPECT_EQ(action->comment, kIncComment);
}

TEST_F(Completion, ExclusiveJobExpiresItsNamesakesWithoutRemovingThem) {
    ASSERT_TRUE(Load("{\n-name Backup\n-start\n}\n"
                     "{\n-name other\n-start\n}\n"
                     "{\n-name backup\n-start\n}\n"));
    ASSERT_TRUE(Load("{\n-name -exclusive BACKUP\n-start\n}\n"));
    ASSERT_EQ(QueuedJobs(), 4u);
    EXPECT_TRUE(Queued(0).TestFlags(JF_EXPIRED));
    EXPECT_FALSE(Queued(1).TestFlags(JF_EXPIRED));
    EXPECT_TRUE(Queued(2).TestFlags(JF_EXPIRED));
    EXPECT_FALSE(Queued(3).TestFlags(JF_EXPIRED));
    EXPECT_TRUE(Queued(3).TestFlags(JF_EXCLUSIVE));
}

TEST_F(Completion, NamesakesStayWhenTheNewJobIsNotExclusive) {
    ASSERT_TRUE(Load("{\n-name Backup\n-start\n}\n{\n-name Backup\n-start\n}\n"));
    ASSERT_EQ(QueuedJobs(), 2u);
    EXPECT_FALSE(Queued(0).TestFlags(JF_EXPIRED));
    EXPECT_FALSE(Queued(1).TestFlags(JF_EXPIRED));
}

TEST_F(Completion, ExclusiveNamesCompareAfterExpansion) {
    env::Set("OB_PARSER_SITE", "north");
    ASSERT_TRUE(Load("{\n-name sync north\n}\n"));
    // "%%" keeps the reference in the stored name; it is expanded when compared.
    ASSERT_TRUE(Load("{\n-name -exclusive sync %%OB_PARSER_SITE%%\n}\n"));
    ASSERT_EQ(QueuedJobs(), 2u);
    EXPECT_EQ(Queued(1).GetVariable("$NAME"), "sync %OB_PARSER_SITE%");
    EXPECT_TRUE(Queued(0).TestFlags(JF_EXPIRED));
}

} // namespace
} // namespace ob::test
