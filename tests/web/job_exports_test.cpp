// The job exports the dashboard reads through, on a real session: a call that the
// engine thread could not take in time never happens later, and the log can be
// read while an action holds the engine thread.

#include "obrenta/jobs.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace ob::test {
namespace {

bool Listed(OB_SESSION session, const std::string& name) {
    OB_JobList* list = nullptr;
    EXPECT_EQ(OB_ListJobs(session, nullptr, 10000, &list), OB_OK);
    bool found = false;
    for (std::uint32_t i = 0; list != nullptr && i < list->count; ++i) {
        found = found || name == list->jobs[i].name;
    }
    OB_ReleaseJobList(list);
    return found;
}

TEST(JobExportsTest, AKillThatTimedOutNeverHappensAndTheLogStaysReadable) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), OB_OK);
    ScratchDir dir;
    const std::string path = dir / "jobs.jr";
    std::ofstream(path) << "{\n\t-name sleeper\n\t-start -inc 0 0 0 5\n\t-action -print asleep\n"
                           "\t-action -sleep 2500\n}\n{\n\t-name victim\n\t-action -print x\n}\n";
    ASSERT_EQ(OB_LoadCronScript(host.Session(), path.c_str()), OB_OK);
    ASSERT_TRUE(Listed(host.Session(), "victim"));
    OB_ModifyFlags(host.Session(), SF_ENABLED, 0);
    ASSERT_TRUE(host.PumpUntil([&] {
        const auto lines = host.Lines();
        return std::find(lines.begin(), lines.end(), "asleep ") != lines.end();
    }));

    // The engine thread sleeps: the kill gives up, and the log is read meanwhile.
    std::uint32_t killed = 99;
    EXPECT_EQ(OB_KillJob(host.Session(), "victim", 100, &killed), OB_WAIT_TIMEOUT);
    EXPECT_EQ(killed, 0u);
    ASSERT_EQ(OB_LogOutput(host.Session(), "first"), OB_OK);
    ASSERT_EQ(OB_LogOutput(host.Session(), "second"), OB_OK);
    OB_LogLines* lines = nullptr;
    ASSERT_EQ(OB_ReadLog(host.Session(), 1, &lines), OB_OK);
    ASSERT_EQ(lines->count, 1u);
    EXPECT_STREQ(lines->lines[0], "second");
    OB_ReleaseLogLines(lines);

    // Once it is free again the withdrawn kill has not happened; a new one does.
    EXPECT_TRUE(Listed(host.Session(), "victim"));
    EXPECT_EQ(OB_KillJob(host.Session(), "victim", 10000, &killed), OB_OK);
    EXPECT_EQ(killed, 1u);
    EXPECT_FALSE(Listed(host.Session(), "victim"));
    EXPECT_EQ(OB_KillJob(host.Session(), "vic", 10000, &killed), OB_OK);
    EXPECT_EQ(killed, 0u) << "a kill takes the exact name, not a pattern";
    EXPECT_EQ(OB_KillJob(host.Session(), "", 10000, &killed), OB_INVALID);
}

} // namespace
} // namespace ob::test
