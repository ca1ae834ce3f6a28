// Reading the answers of at, atq, `at -c`, sbatch and squeue.
#include "OBCoreLib/at/atd_listing.h"
#include "OBCoreLib/at/job_tag.h"
#include "OBCoreLib/at/slurm_listing.h"

#include <gtest/gtest.h>

namespace ob::at {
namespace {

using datetime::OleDate;

std::string Text(const OleDate& date) {
    return date.Format("%Y-%m-%d %H:%M:%S");
}

TEST(AtdListing, ReadsQueueLinesAndSkipsOthers) {
    const auto entries = ParseAtqListing("3\tWed Dec  9 02:26:00 2026 = root\n"
                                         "12\tThu Jan  1 00:00:00 2027 a some.user\n"
                                         "Cannot open lockfile\n"
                                         "x\tWed Dec  9 02:26:00 2026 a root\n"
                                         "4\tWed Dex  9 02:26:00 2026 a root\n"
                                         "5\tWed Dec 32 02:26:00 2026 a root\n"
                                         "6\tWed Dec  9 24:00:00 2026 a root\n"
                                         "7\tWed Dec  9 02:26:00 2026 ab root\n"
                                         "99999999999\tWed Dec  9 02:26:00 2026 a root");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, 3u);
    EXPECT_EQ(Text(entries[0].when), "2026-12-09 02:26:00");
    EXPECT_EQ(entries[0].queue, '=');
    EXPECT_EQ(entries[1].id, 12u);
    EXPECT_EQ(Text(entries[1].when), "2027-01-01 00:00:00");
    EXPECT_EQ(entries[1].user, "some.user");
}

TEST(AtdListing, FindsTheJobNumberOfAt) {
    EXPECT_EQ(ParseAtJobNumber("warning: commands will be executed using /bin/sh\n"
                               "job 17 at Wed Dec  9 04:28:00 2026\n"),
              17u);
    EXPECT_EQ(ParseAtJobNumber("Cannot open lockfile /var/spool/cron/atjobs/.SEQ"), std::nullopt);
    EXPECT_EQ(ParseAtJobNumber("job x at now"), std::nullopt);
}

TEST(AtdListing, ReadsOurTagOrAnotherProgramsCommands) {
    const std::string preamble = "#!/bin/sh\n# atrun uid=0 gid=0\n# mail root 0\numask 22\n"
                                 "HOME=/root; export HOME\ncd /work || {\n"
                                 "\t echo 'Execution directory inaccessible' >&2\n\t exit 1\n}\n";
    AtJobRecord tagged;
    tagged.command = "prog \"a\nb\"";
    tagged.daysOfWeek = 0x1F;
    tagged.flags = JOB_NONINTERACTIVE;
    AtJobRecord ours;
    ReadAtJobText(preamble + "#!/bin/sh\n# " + JobTag(tagged) + "\nexec 'prog' 'a\nb'\n\n", ours);
    EXPECT_EQ(ours.command, tagged.command);
    EXPECT_EQ(ours.daysOfWeek, 0x1F);
    EXPECT_EQ(ours.flags, JOB_NONINTERACTIVE);

    AtJobRecord foreign;
    foreign.flags = JOB_NONINTERACTIVE;
    ReadAtJobText(preamble + "echo one\necho two > /tmp/x\n\n", foreign);
    EXPECT_EQ(foreign.command, "echo one\necho two > /tmp/x");
    EXPECT_EQ(foreign.flags, 0);

    AtJobRecord unreadable;
    ReadAtJobText("garbage", unreadable);
    EXPECT_EQ(unreadable.command, "");
}

TEST(AtdListing, ReadsCTimes) {
    EXPECT_EQ(Text(ParseCTime("Wed Dec  9 04:28:00 2026")), "2026-12-09 04:28:00");
    EXPECT_EQ(Text(ParseCTime("Feb 28 23:59:59 1995")), "1995-02-28 23:59:59");
    EXPECT_FALSE(ParseCTime("Feb 29 00:00:00 1995").IsValid());
    EXPECT_FALSE(ParseCTime("Feb 28 0:00:00 1995").IsValid());
    EXPECT_FALSE(ParseCTime("").IsValid());
}

TEST(SlurmListing, ReadsSqueueLinesWithCommentsLast) {
    const auto entries = ParseSqueueListing("2|2026-12-09T03:28:52|PENDING|a|b|c\n"
                                            "3|N/A|RUNNING|\r\n"
                                            "squeue: error: Invalid user\n"
                                            "4_1|2026-12-09T03:28:52|PENDING|x\n"
                                            "5|2026-12-09T03:28:52\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, 2u);
    ASSERT_TRUE(entries[0].start);
    EXPECT_EQ(Text(*entries[0].start), "2026-12-09 03:28:52");
    EXPECT_EQ(entries[0].state, "PENDING");
    EXPECT_EQ(entries[0].comment, "a|b|c");
    EXPECT_EQ(entries[1].id, 3u);
    EXPECT_FALSE(entries[1].start);
    EXPECT_EQ(entries[1].comment, "");
}

TEST(SlurmListing, ReadsSbatchIdsAndTimes) {
    EXPECT_EQ(ParseSbatchJobId("42\n"), 42u);
    EXPECT_EQ(ParseSbatchJobId("sbatch: warning: x\n42;cluster\n\n"), 42u);
    EXPECT_EQ(ParseSbatchJobId("sbatch: error: Batch job submission failed\n"), std::nullopt);
    EXPECT_EQ(ParseSbatchJobId(""), std::nullopt);
    EXPECT_FALSE(ParseSlurmTime("2026-02-30T00:00:00").IsValid());
    EXPECT_FALSE(ParseSlurmTime("2026-12-09 03:28:52").IsValid());
    EXPECT_TRUE(FailedState("NODE_FAIL"));
    EXPECT_FALSE(FailedState("PENDING"));
}

} // namespace
} // namespace ob::at
