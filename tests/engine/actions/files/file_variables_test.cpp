// The file variables set for a chosen entry: its path, size, ages and parts.

#include "files_fixture.h"

#include "engine/actions/file_variables.h"
#include "engine/jobs/action_statement.h"

#include <cstdlib>
#include <ctime>

namespace ob::test {
namespace {

class FileVariablesTest : public FilesTest {
protected:
    engine::Outcome Set(const std::string& variable, const std::string& directory,
                        const fs::FindData& found) {
        const std::vector<std::string> words = {"-getfile"};
        engine::ActionStatement statement;
        engine::ActionContext context{session, nullptr, statement, job, words};
        return engine::SetFileVariables(context, variable, directory, found);
    }

    static fs::FindData Entry(const std::string& name, std::uint64_t size, std::int64_t modified) {
        fs::FindData data;
        data.name = name;
        data.size = size;
        data.modified = modified;
        data.attributes = fs::FILE_ATTRIBUTE_NORMAL;
        return data;
    }

    // Switches the process to another zone for the rest of the test.
    static void UseZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
};

TEST_F(FileVariablesTest, PartsOfAWindowsPatternWithAPatternOrItsDirectory) {
    for (const std::string directory : {"C:\\in\\*.txt", "C:\\in\\"}) {
        ASSERT_EQ(Set("F", directory, Entry("b.txt", 42, Now())), engine::Outcome::Done);
        EXPECT_EQ(Var("F"), "C:\\in\\b.txt") << directory;
        EXPECT_EQ(Var("F.DRIVE"), "C:");
        EXPECT_EQ(Var("F.DIR"), "\\in\\");
        EXPECT_EQ(Var("F.FNAME"), "b");
        EXPECT_EQ(Var("F.EXT"), ".txt");
        EXPECT_EQ(Var("F.SIZE"), "42");
    }
}

TEST_F(FileVariablesTest, LinuxPathsHaveNoDriveAndNamesSplitAtTheLastDot) {
    ASSERT_EQ(Set("LOG", "/var//log/*", Entry("app.log.1", 7, Now())), engine::Outcome::Done);
    EXPECT_EQ(Var("LOG"), "/var/log/app.log.1");
    EXPECT_EQ(Var("LOG.DRIVE"), std::nullopt) << "an empty value leaves the variable unset";
    EXPECT_EQ(Var("LOG.DIR"), "/var/log/");
    EXPECT_EQ(Var("LOG.FNAME"), "app.log");
    EXPECT_EQ(Var("LOG.EXT"), ".1");

    // A back slash inside a Linux file name is part of the name.
    ASSERT_EQ(Set("B", "/d/*", Entry("a\\b.c", 0, Now())), engine::Outcome::Done);
    EXPECT_EQ(Var("B"), "/d/a\\b.c");
    EXPECT_EQ(Var("B.FNAME"), "a\\b");
    EXPECT_EQ(Var("B.EXT"), ".c");

    // A pattern without a directory gives the bare name.
    ASSERT_EQ(Set("N", "*.md", Entry("README", 0, Now())), engine::Outcome::Done);
    EXPECT_EQ(Var("N"), "README");
    EXPECT_EQ(Var("N.DIR"), std::nullopt);
    EXPECT_EQ(Var("N.EXT"), std::nullopt);
}

TEST_F(FileVariablesTest, SizeKeepsTheLow32Bits) {
    ASSERT_EQ(Set("F", "/x/", Entry("big", (std::uint64_t{1} << 32) + 5, Now())),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.SIZE"), "5");
    ASSERT_EQ(Set("F", "/x/", Entry("big", 0xFFFFFFFFu, Now())), engine::Outcome::Done);
    EXPECT_EQ(Var("F.SIZE"), "4294967295");
}

struct AgeCase {
    std::int64_t secondsAgo;
    const char* seconds;
    const char* minutes;
    const char* hours;
    const char* days;
};

void ExpectAges(const AgeCase& c, const char* zone) {
    EXPECT_EQ(FilesTest::Var("F.AGE.SECONDS"), c.seconds) << zone << " " << c.secondsAgo;
    EXPECT_EQ(FilesTest::Var("F.AGE.MINUTES"), c.minutes) << zone << " " << c.secondsAgo;
    EXPECT_EQ(FilesTest::Var("F.AGE.HOURS"), c.hours) << zone << " " << c.secondsAgo;
    EXPECT_EQ(FilesTest::Var("F.AGE.DAYS"), c.days) << zone << " " << c.secondsAgo;
}

// Ages are totals, each cut to whole units; the same whatever the local zone is,
// also when a change to summer time lies between the write and now (the fixed
// "now", March 14, 1995, is two days after the change in the EST5EDT zone).
TEST_F(FileVariablesTest, AgesAreTotalsInEveryZone) {
    const AgeCase cases[] = {
        {5400, "5400", "90", "1", "0"}, // 90 minutes
        {0, "0", "0", "0", "0"},
        {59, "59", "0", "0", "0"},
        {3 * 86400 + 7261, "266461", "4441", "74", "3"},
        {-3600, "0", "0", "0", "0"}, // written in the future: not a huge unsigned age
    };
    for (const char* zone : {"UTC0", "IST-5:30", "EST5EDT,M3.2.0,M11.1.0", "NZST-12NZDT"}) {
        UseZone(zone);
        for (const AgeCase& c : cases) {
            ASSERT_EQ(Set("F", "/x/", Entry("f", 0, Now() - c.secondsAgo)), engine::Outcome::Done);
            ExpectAges(c, zone);
        }
    }
}

TEST_F(FileVariablesTest, AFailedWriteIsFatalAndNamesTheVariable) {
    // An empty base name cannot be written: the first variable fails and the rest
    // are not attempted.
    const auto outcome = Set("", "/x/", Entry("f.txt", 1, Now()));
    ExpectFatal(outcome, "Unable to set environment variable: \"\"");
    EXPECT_EQ(Var(".SIZE"), std::nullopt);
}

} // namespace
} // namespace ob::test
