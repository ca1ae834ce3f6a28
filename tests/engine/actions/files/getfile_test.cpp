// -getfile: the oldest or newest usable entry matching a pattern, and its variables.

#include "files_fixture.h"

#include "engine/actions/directive_table.h"
#include "platform/env/environment.h"
#include "platform/fs/find_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::test {
namespace {

using engine::DirectiveGetFile;
using engine::Outcome::Done;

class GetFileTest : public FilesTest {
protected:
    // a.txt oldest, c.txt in between, b.txt newest among the usable entries; newer
    // still are a directory, a hidden file and a read-only file, which never count.
    void MakeFiles() {
        ::mkdir(Path("in").c_str(), 0777);
        SetModified(WriteFile("in/a.txt", "aaaa"), Now() - 3000);
        SetModified(WriteFile("in/b.txt", "bb"), Now() - 1000);
        SetModified(WriteFile("in/c.txt", "c"), Now() - 2000);
        SetModified(WriteFile("in/other.log", "x"), Now() - 10);
        ::mkdir(Path("in/dir.txt").c_str(), 0777);
        SetModified(Path("in/dir.txt"), Now() - 5);
        SetModified(WriteFile("in/.hidden.txt", "h"), Now() - 5);
        const std::string readOnly = WriteFile("in/ro.txt", "r");
        SetModified(readOnly, Now() - 5);
        ::chmod(readOnly.c_str(), 0444);
        SetModified(WriteFile("in/old-ro.txt", "r"), Now() - 9000);
        ::chmod(Path("in/old-ro.txt").c_str(), 0444);
    }
};

TEST_F(GetFileTest, NewestAndOldestSkipUnusableEntries) {
    MakeFiles();
    const std::string pattern = Path("in") + "/*.txt";
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-newest", pattern, "F"}), engine::Outcome::Done);
    EXPECT_EQ(Var("F"), Path("in/b.txt"));
    EXPECT_EQ(Var("F.FNAME"), "b");
    EXPECT_EQ(Var("F.EXT"), ".txt");
    EXPECT_EQ(Var("F.DIR"), Path("in") + "/");
    EXPECT_EQ(Var("F.DRIVE"), std::nullopt);
    EXPECT_EQ(Var("F.SIZE"), "2");
    EXPECT_EQ(Var("F.AGE.SECONDS"), "1000");
    EXPECT_EQ(Var("F.AGE.MINUTES"), "16");

    // Any mode word other than -newest (in any case) chooses the oldest.
    for (const char* mode : {"-oldest", "-whatever"}) {
        ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", mode, pattern, "G"}), engine::Outcome::Done);
        EXPECT_EQ(Var("G"), Path("in/a.txt")) << mode;
        EXPECT_EQ(Var("G.SIZE"), "4");
        EXPECT_EQ(Var("G.AGE.MINUTES"), "50");
    }
    ASSERT_EQ(Call(DirectiveGetFile, {"-GETFILE", "-NEWEST", pattern, "H"}), engine::Outcome::Done);
    EXPECT_EQ(Var("H"), Path("in/b.txt"));
    EXPECT_TRUE(Events().empty());
}

TEST_F(GetFileTest, FilesWrittenWithinOneSecondAreOrderedByTheirFullTime) {
    ::mkdir(Path("in").c_str(), 0777);
    SetModified(WriteFile("in/first", "1"), Now() - 60, 100);
    SetModified(WriteFile("in/second", "2"), Now() - 60, 900000000);
    SetModified(WriteFile("in/third", "3"), Now() - 60, 500000000);
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-newest", Path("in/*"), "F"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.FNAME"), "second");
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-oldest", Path("in/*"), "F"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.FNAME"), "first");
}

// Among equally old entries the newest search keeps the first one the directory
// yields and the oldest search the last.
TEST_F(GetFileTest, TiesGoToTheFirstForNewestAndTheLastForOldest) {
    ::mkdir(Path("in").c_str(), 0777);
    for (const char* name : {"p", "q", "r", "s"}) {
        SetModified(WriteFile(std::string("in/") + name, name), Now() - 100);
    }
    const std::vector<fs::FindData> order = fs::FindFiles(Path("in/*"));
    ASSERT_EQ(order.size(), 4u);
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-newest", Path("in/*"), "F"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.FNAME"), order.front().name);
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-oldest", Path("in/*"), "F"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.FNAME"), order.back().name);
}

TEST_F(GetFileTest, NoUsableEntryFailsSoftly) {
    MakeFiles();
    struct Case {
        const char* pattern;
        const char* why;
    };
    const Case cases[] = {
        {"in/*.none", "nothing matches"},
        {"in/dir.*", "only a directory matches"},
        {"in/*ro.txt", "only read-only files match"},
        {"in/.hidden*", "only a hidden file matches"},
        {"missing/*.txt", "the directory does not exist"},
    };
    for (const Case& c : cases) {
        env::Remove("JR.LAST_ERROR");
        const auto outcome = Call(DirectiveGetFile, {"-getfile", "-oldest", Path(c.pattern), "F"});
        ExpectSoft(outcome, "No files matching pattern.");
        EXPECT_EQ(Var("F"), std::nullopt) << c.why;
    }
}

TEST_F(GetFileTest, AllThreeArgumentsAreRequired) {
    ExpectFatal(Call(DirectiveGetFile, {"-getfile", "-newest", Path("*")}),
                "Missing argument for directive \"-getfile\"");
    ExpectFatal(Call(DirectiveGetFile, {"-getfile"}),
                "Missing argument for directive \"-getfile\"");
}

TEST_F(GetFileTest, SizeOfAFileBeyond4GBKeepsTheLow32Bits) {
    const std::string big = WriteFile("big.bin", "");
    // A sparse file: no disk space is used.
    ASSERT_EQ(::truncate(big.c_str(), (off_t{1} << 32) + 9), 0);
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-newest", Path("big.*"), "F"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("F.SIZE"), "9");
}

TEST_F(GetFileTest, AgesOfTheChosenFileInAZoneAheadOfUtc) {
    ::setenv("TZ", "IST-5:30", 1);
    ::tzset();
    SetModified(WriteFile("old.log", "x"), Now() - 5400);
    ASSERT_EQ(Call(DirectiveGetFile, {"-getfile", "-oldest", Path("*.log"), "L"}),
              engine::Outcome::Done);
    EXPECT_EQ(Var("L.AGE.SECONDS"), "5400");
    EXPECT_EQ(Var("L.AGE.MINUTES"), "90");
    EXPECT_EQ(Var("L.AGE.HOURS"), "1");
    EXPECT_EQ(Var("L.AGE.DAYS"), "0");
}

} // namespace
} // namespace ob::test
