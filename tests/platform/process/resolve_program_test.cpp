// Program resolution: the bare name first, then the extensions in their order;
// search order host program's folder, current folder, PATH; names with folders.
#include "platform/process/resolve_program.h"

#include "platform/fs/search_path.h"

#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace ob::process {
namespace {

namespace fs = std::filesystem;

class ResolveProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        previous_ = fs::current_path();
        path_ = env::Get("PATH");
        fs::create_directories(dir_.Path() / "a");
        fs::create_directories(dir_.Path() / "b");
        fs::create_directories(dir_.Path() / "cwd");
        env::Set("PATH", (dir_ / "a") + ":" + (dir_ / "b"));
        fs::current_path(dir_.Path() / "cwd");
    }
    void TearDown() override {
        fs::current_path(previous_);
        if (path_) {
            env::Set("PATH", *path_);
        }
    }

    std::string Make(const std::string& relative, bool executable = true) const {
        const std::string path = dir_ / relative;
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
        return path;
    }
    std::string Resolve(std::string name) const {
        return ResolveProgram(name) ? name : "(not found)";
    }

    test::ScratchDir dir_;
    fs::path previous_;
    std::optional<std::string> path_;
};

TEST_F(ResolveProgramTest, BareNameIsSearchedAlongPathInOrder) {
    const std::string inB = Make("b/tool");
    EXPECT_EQ(Resolve("tool"), inB);
    const std::string inA = Make("a/tool");
    EXPECT_EQ(Resolve("tool"), inA);
    EXPECT_EQ(Resolve("ob-nowhere"), "(not found)");
    EXPECT_EQ(Resolve(""), "(not found)");
}

TEST_F(ResolveProgramTest, CurrentFolderComesBeforePath) {
    Make("a/tool");
    const std::string here = Make("cwd/tool");
    EXPECT_EQ(Resolve("tool"), here);
}

TEST_F(ResolveProgramTest, HostProgramFolderComesFirst) {
    // The test program's own folder holds the probe program.
    const std::string probe = std::string(OB_BIN_DIR) + "/process_child_probe";
    Make("cwd/process_child_probe");
    EXPECT_EQ(Resolve("process_child_probe"), probe);
}

TEST_F(ResolveProgramTest, BareNameWinsOverExtensionsWhichGoInTheirOrder) {
    const std::string exe = Make("b/app.exe");
    EXPECT_EQ(Resolve("app"), exe);
    // An extension found in a later folder still beats a later extension earlier
    // on: each candidate name goes through the whole search first.
    const std::string com = Make("b/app.com");
    Make("a/app.bat");
    EXPECT_EQ(Resolve("app"), com);
    const std::string bare = Make("b/app");
    EXPECT_EQ(Resolve("app"), bare);
    // A name with an extension is searched as it is.
    EXPECT_EQ(Resolve("app.bat"), dir_ / "a/app.bat");
}

TEST_F(ResolveProgramTest, NonExecutableFilesAndFoldersAreSkipped) {
    Make("a/tool", false);
    const std::string runnable = Make("b/tool");
    EXPECT_EQ(Resolve("tool"), runnable);
    fs::create_directories(dir_.Path() / "a" / "dir");
    EXPECT_EQ(Resolve("dir"), "(not found)");
}

TEST_F(ResolveProgramTest, NamesWithAFolderAreLookedUpThere) {
    const std::string cmd = Make("b/script.cmd");
    EXPECT_EQ(Resolve(dir_ / "b/script"), cmd);
    // Relative to the current folder, made absolute.
    const std::string local = Make("cwd/run");
    EXPECT_EQ(Resolve("./run"), (dir_.Path() / "cwd").string() + "/./run");
    (void)local;
    // With folder and extension: taken as found without a check.
    EXPECT_EQ(Resolve(dir_ / "b/none.exe"), dir_ / "b/none.exe");
    EXPECT_EQ(Resolve(dir_ / "b/none"), "(not found)");
}

TEST_F(ResolveProgramTest, OverlongResultsAreNotFound) {
    std::string deep = dir_ / "cwd";
    while (deep.size() < kMaxResolvedPath + 10) {
        deep += "/" + std::string(100, 'd');
    }
    fs::create_directories(deep);
    std::ofstream(deep + "/x.sh") << "#!/bin/sh\n";
    EXPECT_EQ(Resolve(deep + "/x.sh"), "(not found)");
}

TEST_F(ResolveProgramTest, SearchPathFindsExecutablesAsExecvpDoes) {
    Make("cwd/tool"); // neither the current folder nor an empty entry is searched
    Make("a/tool", false);
    env::Set("PATH", ":" + (dir_ / "a") + "::" + (dir_ / "b"));
    EXPECT_EQ(ob::fs::SplitSearchPath(*env::Get("PATH")),
              (std::vector<std::string>{"", dir_ / "a", "", dir_ / "b"}));
    EXPECT_EQ(FindOnSearchPath("tool"), "");
    const std::string inB = Make("b/tool");
    EXPECT_EQ(FindOnSearchPath("tool"), inB);
    EXPECT_EQ(FindOnSearchPath("./tool"), "./tool") << "a name with a folder is taken as it is";
}

} // namespace
} // namespace ob::process
