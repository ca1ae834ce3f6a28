// What a job carries through a queue: its tag, its script and its time as text.
#include "OBCoreLib/at/job_script.h"
#include "OBCoreLib/at/job_tag.h"
#include "OBCoreLib/at/job_time_text.h"
#include "nasty_command.h"
#include "platform/process/probe_report.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace ob::at {
namespace {

using datetime::OleDate;

TEST(JobTag, CarriesFlagsMasksAndTheCommandExactly) {
    AtJobRecord job;
    job.jobId = 7;
    job.flags = JOB_NONINTERACTIVE | JOB_RUNS_TODAY;
    job.daysOfMonth = kAllMonthDays;
    job.daysOfWeek = 0x41;
    job.command = NastyCommandLine("prog", "out");
    const std::string tag = JobTag(job);
    EXPECT_EQ(tag.find_first_of(" \t\r\n"), std::string::npos);

    AtJobRecord back;
    back.jobId = 7;
    ASSERT_TRUE(ParseJobTag(tag, back));
    EXPECT_EQ(back.flags, JOB_NONINTERACTIVE); // what a queue says is not stored
    EXPECT_EQ(back.daysOfMonth, kAllMonthDays);
    EXPECT_EQ(back.daysOfWeek, 0x41);
    EXPECT_EQ(back.command, job.command);
}

TEST(JobTag, RefusesMalformedTags) {
    const char* tags[] = {
        "",
        "obrenta-job:2:16:0:0:YQ==",
        "obrenta-job:1:16:0:0",
        "obrenta-job:1:17:0:0:YQ==",          // a flag never stored
        "obrenta-job:1:16:2147483648:0:YQ==", // a 32nd day
        "obrenta-job:1:16:0:128:YQ==",        // an eighth weekday
        "obrenta-job:1:16:-1:0:YQ==",
        "obrenta-job:1:16::0:YQ==",
        "obrenta-job:1:16:0:0:Y Q==",
        "obrenta-job:1:16:0:0:!!!!",
        "xobrenta-job:1:16:0:0:YQ==",
    };
    for (const char* tag : tags) {
        AtJobRecord job;
        job.command = "kept";
        EXPECT_FALSE(ParseJobTag(tag, job)) << tag;
        EXPECT_EQ(job.command, "kept");
    }
}

TEST(JobScript, TheShellHandsEveryWordOnUnchanged) {
    test::ScratchDir dir;
    const std::string report = dir / "report";
    AtJobRecord job;
    job.flags = JOB_NONINTERACTIVE;
    job.command = NastyCommandLine(test::ProbePath(), report);
    std::ofstream(dir / "job.sh") << JobScript(job);
    ASSERT_EQ(std::system(("DISPLAY=:9 /bin/sh " + (dir / "job.sh")).c_str()), 0);

    const std::string written = ReadFile(report);
    EXPECT_EQ(written.substr(0, ExpectedProbeArgs(report).size()), ExpectedProbeArgs(report));
    EXPECT_EQ(written.find("env DISPLAY="), std::string::npos);
}

TEST(JobScript, CommandLinesWithoutWordsHaveNoProgram) {
    EXPECT_TRUE(JobWords("").empty());
    EXPECT_TRUE(JobWords(" \t ").empty());
    EXPECT_TRUE(JobWords("\"\" arg").empty());
    EXPECT_EQ(JobWords("a\tb").size(), 2u);
}

TEST(JobTimeText, TimeAloneOrTheNextRunDate) {
    const OleDate today = OleDate::FromParts(1995, 3, 14, 12, 41, 29);
    struct Case {
        const char* what;
        std::uint32_t monthDays;
        std::uint8_t weekdays;
        std::optional<OleDate> nextRun;
        const char* text;
    };
    const Case cases[] = {
        {"no days", 0, 0, std::nullopt, "02:30:00"},
        {"no days, a queue date", 0, 0, OleDate::FromParts(1995, 3, 20, 2, 30, 0), "02:30:00"},
        {"the queue's date", 0x1F, 0, OleDate::FromParts(1995, 3, 20, 2, 30, 0),
         "3/20/1995 02:30:00"},
        {"searched: the 20th", 1u << 19, 0, std::nullopt, "3/20/1995 02:30:00"},
        {"searched: a day later this month", 1u << 0, 0, std::nullopt, "4/1/1995 02:30:00"},
        {"searched: the earlier of both", 1u << 19, 0x10, std::nullopt, "3/17/1995 02:30:00"},
        {"searched: today counts", 0, 0x02, std::nullopt, "3/14/1995 02:30:00"},
    };
    for (const Case& c : cases) {
        AtJobRecord job;
        job.jobTime = 9000000;
        job.daysOfMonth = c.monthDays;
        job.daysOfWeek = c.weekdays;
        job.nextRun = c.nextRun;
        EXPECT_EQ(JobTimeText(job, today), c.text) << c.what;
    }
}

} // namespace
} // namespace ob::at
