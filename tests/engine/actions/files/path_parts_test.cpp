// Splitting paths into drive, directory, file name and extension.

#include "engine/actions/path_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::engine {
namespace {

struct SplitCase {
    std::string path;
    std::string drive;
    std::string dir;
    std::string fname;
    std::string ext;
};

TEST(PathParts, SplitsWindowsAndLinuxPaths) {
    const SplitCase cases[] = {
        {"C:\\in\\*.txt", "C:", "\\in\\", "*", ".txt"},
        {"C:\\logs\\a.txt", "C:", "\\logs\\", "a", ".txt"},
        {"/var/log/app.log.1", "", "/var/log/", "app.log", ".1"},
        {"name", "", "", "name", ""},
        {"C:name.x", "C:", "", "name", ".x"},
        {"C:", "C:", "", "", ""},
        {"dir.v2/file", "", "dir.v2/", "file", ""},
        {"dir/.profile", "", "dir/", "", ".profile"},
        {"mixed\\dirs/and\\x.y", "", "mixed\\dirs/and\\", "x", ".y"},
        {"trailing/", "", "trailing/", "", ""},
        {"", "", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        const PathParts parts = SplitPathParts(c.path);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.dir, c.dir) << c.path;
        EXPECT_EQ(parts.fname, c.fname) << c.path;
        EXPECT_EQ(parts.ext, c.ext) << c.path;
        EXPECT_EQ(parts.Join(), c.path) << "nothing to collapse: joining gives the path back";
    }
}

TEST(PathParts, DoubledSeparatorsAfterTheFirstCharacterCollapse) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\\\in\\\\a.txt", "\\in\\"},
        {"/tmp//x//a.txt", "/tmp/x/"},
        {"\\\\server\\share\\a.txt", "\\\\server\\share\\"}, // a leading pair stays
        {"//host/dir/a.txt", "//host/dir/"},
        {"a////b/c", "a//b/"}, // each pair becomes one, in one pass
        {"a\\/b/c", "a\\/b/"}, // different separators are not a pair
    };
    for (const auto& [path, dir] : cases) {
        EXPECT_EQ(SplitPathParts(path).dir, dir) << path;
    }
}

TEST(PathParts, TooLongPathsGiveEmptyParts) {
    const std::string longest = "/" + std::string(kMaxSplitPath - 8, 'd') + "/a.txt";
    ASSERT_EQ(longest.size(), kMaxSplitPath - 1);
    const PathParts fits = SplitPathParts(longest);
    EXPECT_EQ(fits.fname, "a");
    EXPECT_EQ(fits.ext, ".txt");
    EXPECT_EQ(fits.dir.size(), kMaxSplitPath - 6);

    const PathParts tooLong = SplitPathParts(longest + "x");
    EXPECT_TRUE(tooLong.drive.empty() && tooLong.dir.empty() && tooLong.fname.empty() &&
                tooLong.ext.empty());
}

} // namespace
} // namespace ob::engine
