// The shell launch through the desktop's opener: a stand-in xdg-open on PATH
// records what it was given; without one, and for missing files, the launch fails
// with its code.
#include "platform/process/launch_shell.h"

#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

namespace ob::process {
namespace {

namespace fs = std::filesystem;

class LaunchShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        fs::create_directories(dir_.Path() / "bin");
        path_ = env::Get("PATH");
        env::Set("PATH", dir_ / "bin");
        document_ = dir_ / "read me.txt";
        std::ofstream(document_) << "hello\n";
    }
    void TearDown() override {
        if (path_) {
            env::Set("PATH", *path_);
        }
    }
    void InstallOpener(int status) {
        const std::string opener = dir_ / "bin/xdg-open";
        std::ofstream(opener) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > "
                              << (dir_ / "opened") << ".part\n/bin/mv " << (dir_ / "opened")
                              << ".part " << (dir_ / "opened") << "\nexit " << status << "\n";
        fs::permissions(opener, fs::perms::owner_all);
    }
    LaunchOutcome Shell(std::uint32_t flags, const std::string& verb, const std::string& file,
                        const std::string& parameters = "") {
        LaunchOutcome outcome;
        LaunchShell(flags, verb, file, parameters, outcome);
        return outcome;
    }
    // The opener's arguments, each followed by "|".
    std::string Opened() {
        const std::string path = dir_ / "opened";
        for (int i = 0; i < 500 && !fs::exists(path); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream file(path);
        if (!file) {
            return "(nothing)";
        }
        std::string text;
        std::string line;
        while (std::getline(file, line)) {
            text += line + "|";
        }
        return text;
    }

    test::ScratchDir dir_;
    std::string document_;
    std::optional<std::string> path_;
};

TEST_F(LaunchShellTest, HandsTheDocumentToTheOpenerAndWaitsWhenAsked) {
    InstallOpener(4);
    const LaunchOutcome outcome = Shell(0, "", "\"" + document_ + "\"");
    ASSERT_TRUE(outcome.success) << outcome.error;
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_EQ(Opened(), document_ + "|");
}

TEST_F(LaunchShellTest, AddressesNeedNoFileAndParametersFollow) {
    InstallOpener(0);
    const LaunchOutcome outcome =
        Shell(CP_ASYNC, "open", "https://example.invalid/x", "-a \"b c\"");
    ASSERT_TRUE(outcome.success) << outcome.error;
    EXPECT_EQ(Opened(), "https://example.invalid/x|-a|b c|");
}

TEST_F(LaunchShellTest, FailuresGiveTheirCodes) {
    InstallOpener(0);
    EXPECT_EQ(Shell(0, "", dir_ / "missing.txt").error, 2u);
    EXPECT_EQ(Shell(0, "", dir_ / "no/such/file.txt").error, 3u);
    EXPECT_EQ(Shell(0, "", "").error, 2u);
    EXPECT_EQ(Shell(0, "print", document_).error, 1155u);
    fs::remove(dir_ / "bin/xdg-open");
    const LaunchOutcome none = Shell(0, "", document_);
    EXPECT_FALSE(none.success);
    EXPECT_EQ(none.error, 1155u);
}

} // namespace
} // namespace ob::process
