// Jobs: their variables and flags, names, statements, and the queue operations.

#include "engine/jobs/action_statement.h"
#include "engine/jobs/job.h"
#include "engine/jobs/session_jobs.h"
#include "engine/jobs/skip_statement.h"
#include "engine/jobs/time_statement.h"
#include "engine/session/engine_session.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

namespace ob::engine {
namespace {

std::unique_ptr<Job> NamedJob(const std::string& name, std::uint32_t flags = 0) {
    auto job = std::make_unique<Job>(datetime::OleDate::Now());
    job->SetVariable("$FLAGS=" + std::to_string(flags));
    job->SetVariable("$NAME=" + name);
    return job;
}

TEST(JobModel, VariablesAreSetReplacedAndRemovedWithoutRegardToCase) {
    Job job(datetime::OleDate::Now());
    EXPECT_FALSE(job.SetVariable("NOEQUALS")) << "an entry without '=' is refused";
    EXPECT_TRUE(job.SetVariable("$Colour=red"));
    EXPECT_EQ(job.GetVariable("$COLOUR").value_or("?"), "red");
    EXPECT_TRUE(job.SetVariable("$COLOUR=blue=green"));
    EXPECT_EQ(job.GetVariable("$colour").value_or("?"), "blue=green");
    ASSERT_EQ(job.Env().variables.size(), 1u) << "replaced, not appended";
    EXPECT_TRUE(job.SetVariable("$colour="));
    EXPECT_FALSE(job.GetVariable("$COLOUR").has_value()) << "an empty value removes it";
    EXPECT_TRUE(job.SetVariable("$EMPTY="));
    EXPECT_EQ(job.GetVariable("$EMPTY").value_or("?"), "") << "a new empty value is kept";
}

TEST(JobModel, FlagsStartFromZeroAndAccumulate) {
    Job job(datetime::OleDate::Now());
    EXPECT_FALSE(job.TestFlags(JF_INTERNAL));
    job.SetFlags(JF_EXCLUSIVE);
    EXPECT_EQ(job.GetVariable("$FLAGS").value_or("?"), "64");
    job.SetFlags(JF_INTERNAL);
    EXPECT_EQ(job.GetVariable("$FLAGS").value_or("?"), "66");
    EXPECT_TRUE(job.TestFlags(JF_INTERNAL | JF_EXPIRED));
    EXPECT_FALSE(job.TestFlags(JF_EXPIRED));
}

TEST(JobModel, NameIsExpandedAndUnnamedWhenMissing) {
    Job job(datetime::OleDate::Now());
    EXPECT_EQ(job.Name(), "unnamed");
    env::Set("OBX_SITE", "north");
    job.SetVariable("$NAME=backup_%obx_site%");
    EXPECT_EQ(job.Name(), "backup_north");
    job.SetVariable("$NAME=");
    EXPECT_EQ(job.Name(), "unnamed");
}

TEST(JobModel, StatementsKeepTheirOrderAfterTheEnvironmentStatement) {
    Job job(datetime::OleDate::Now());
    EXPECT_FALSE(job.HasStartStatement());
    auto action = std::make_unique<ActionStatement>();
    action->SetText("  -print hello \t\r\n");
    EXPECT_EQ(action->Text(), "-print hello");
    job.Add(std::move(action));
    job.Add(std::make_unique<TimeStatement>(KIND_START, datetime::OleDate::Now()));
    job.Add(std::make_unique<SkipStatement>());
    ASSERT_EQ(job.Statements().size(), 4u);
    EXPECT_EQ(job.Statements()[0]->Kind(), KIND_ENVIRONMENT);
    EXPECT_EQ(job.FindStatement(KIND_START), job.Statements()[2].get());
    EXPECT_EQ(job.FindStatement(KIND_STOP), nullptr);
    EXPECT_TRUE(job.HasStartStatement());
    const auto* start = static_cast<TimeStatement*>(job.FindStatement(KIND_START));
    EXPECT_FALSE(start->lastFire.IsValid()) << "a new time statement has never fired";
    EXPECT_EQ(start->increment.Days(), 0.0);
}

TEST(JobModel, RunStatisticsCountRunsAndTime) {
    Job job(datetime::OleDate::Now());
    job.BeginRun();
    job.EndRun();
    job.BeginRun();
    job.EndRun();
    EXPECT_EQ(job.Env().timesCalled, 2u);
    EXPECT_LT(job.Env().totalRunMs, 1000u);
}

TEST(SessionJobs, FindByNameMatchesAnywhereAndSkipsExpiredJobs) {
    EngineSession session;
    AddJob(session, NamedJob("nightly_backup", JF_EXPIRED));
    AddJob(session, NamedJob("weekly_backup"));
    AddJob(session, NamedJob("report"));
    Job* found = FindJobByName(session, "backup");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Name(), "weekly_backup");
    EXPECT_EQ(FindJobByName(session, "^report$"), session.jobs.At(2));
    EXPECT_EQ(FindJobByName(session, "absent"), nullptr);
    EXPECT_EQ(FindJobByName(session, "(unclosed"), nullptr);
}

TEST(SessionJobs, NamesakesAreMarkedExpiredNotRemoved) {
    EngineSession session;
    AddJob(session, NamedJob("Sync"));
    AddJob(session, NamedJob("other"));
    AddJob(session, NamedJob("SYNC"));
    ExpireNamesakes(session, "sync");
    ASSERT_EQ(session.jobs.Size(), 3u);
    EXPECT_TRUE(session.jobs.At(0)->TestFlags(JF_EXPIRED));
    EXPECT_FALSE(session.jobs.At(1)->TestFlags(JF_EXPIRED));
    EXPECT_TRUE(session.jobs.At(2)->TestFlags(JF_EXPIRED));
}

TEST(SessionJobs, DeleteRemovesOnlyQueuedJobs) {
    EngineSession session;
    AddJob(session, NamedJob("a"));
    AddJob(session, NamedJob("b"));
    Job* first = session.jobs.At(0);
    EXPECT_TRUE(DeleteJob(session, first));
    EXPECT_FALSE(DeleteJob(session, first)) << "already gone";
    ASSERT_EQ(session.jobs.Size(), 1u);
    EXPECT_EQ(session.jobs.At(0)->Name(), "b");
}

} // namespace
} // namespace ob::engine
