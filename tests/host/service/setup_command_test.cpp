// `obrenta setup`: the build tree installed into a scratch prefix, upgraded with
// the user's scripts kept and patched, and removed again; the installed program
// runs the example job folder.

#include "running_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : "(missing)";
}

TEST(SetupCommand, InstallUpgradeAndRemoveAScratchInstallation) {
    ScratchDir dir;
    const std::vector<std::string> environment = ProgramEnvironment(dir);
    const std::string prefix = dir / "opt";
    const std::string jobs = prefix + "/etc/obrenta/jobs";

    const auto [installed, installSaid] =
        RunProgram({"setup", "install", "--prefix", prefix}, environment);
    ASSERT_EQ(installed, 0) << installSaid;
    for (const char* file :
         {"bin/obrenta", "lib/libobrenta.so", "lib/libobsetup.so", "lib/libobmapi.so",
          "etc/pam.d/obrenta", "etc/obrenta/jobs/User.jr", "share/obrenta/examples/hello.jr",
          "share/obrenta/install_manifest.txt"}) {
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
    }
    EXPECT_NE(Read(prefix + "/lib/systemd/system/obrenta.service")
                  .find("ExecStart=" + prefix + "/bin/obrenta run --jobs " + jobs + "\n"),
              std::string::npos);
    EXPECT_NE(
        Read(jobs + "/obrenta.log").find("\tWriting Communication Server port number: 1229.\n"),
        std::string::npos);
    const auto [queried, ports] = RunProgram(
        {"reg", "query", "HKLM\\Software\\Varndel Software\\Obrenta\\Communication"}, environment);
    EXPECT_NE(ports.find("cs_port = 1229"), std::string::npos) << ports;

    // The installed program runs the example job folder.
    ASSERT_EQ(RunProgram({"reg", "add", "HKLM\\Software\\Varndel Software\\Obrenta\\Communication",
                          "cs_port", "0"},
                         environment)
                  .first,
              0);
    const auto [ran, output] =
        RunProgram({"run", "--seconds", "2", "--jobs", jobs}, environment, prefix + "/bin/obrenta");
    EXPECT_EQ(ran, 0) << output;
    EXPECT_NE(output.find("Obrenta started at "), std::string::npos) << output;

    const auto [again, againSaid] =
        RunProgram({"setup", "install", "--prefix", prefix}, environment);
    EXPECT_EQ(again, 1) << "an installation is upgraded, not installed over";
    EXPECT_NE(againSaid.find("use obrenta setup upgrade"), std::string::npos) << againSaid;

    // The user's scripts survive an upgrade and are patched from the version given.
    std::ofstream(jobs + "/User.jr", std::ios::trunc) << "# my jobs\n";
    std::ofstream(jobs + "/Config.jr", std::ios::trunc) << "{\n\t-name %ACCOUNT_NAME%\n}\n";
    std::ofstream(jobs + "/System.jr") << "# an old system script\n";
    const auto [upgraded, upgradeSaid] =
        RunProgram({"setup", "upgrade", "--prefix", prefix, "--from", "3.6.3"}, environment);
    ASSERT_EQ(upgraded, 0) << upgradeSaid;
    EXPECT_EQ(Read(jobs + "/User.jr"), "# my jobs\n");
    EXPECT_EQ(Read(jobs + "/User.jr.bak"), "# my jobs\n");
    EXPECT_EQ(Read(jobs + "/Config.jr"), "{\n\t-name CONFIG::%JR.ACCOUNT%\n}\n")
        << "the patches of 3.6.4 and then 3.8.6";
    EXPECT_FALSE(fs::exists(jobs + "/System.jr"));
    EXPECT_NE(Read(jobs + "/obrenta.log").find("Applying specific version patch to 4.2.0...\n"),
              std::string::npos);

    const auto [removed, removeSaid] =
        RunProgram({"setup", "remove", "--prefix", prefix}, environment);
    EXPECT_EQ(removed, 0) << removeSaid;
    for (const char* gone : {"bin/obrenta", "lib/libobsetup.so", "share/obrenta", "include/obrenta",
                             "lib/systemd/system/obrenta.service", "etc/pam.d/obrenta"}) {
        EXPECT_FALSE(fs::exists(prefix + "/" + gone)) << gone;
    }
    EXPECT_EQ(Read(jobs + "/User.jr"), "# my jobs\n") << "the job folder stays";
    const auto [twice, twiceSaid] =
        RunProgram({"setup", "remove", "--prefix", prefix}, environment);
    EXPECT_EQ(twice, 1) << twiceSaid;
}

TEST(SetupCommand, BadUsageIsRefused) {
    ScratchDir dir;
    const std::vector<std::string> environment = ProgramEnvironment(dir);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"setup"},
                                                 {"setup", "frobnicate"},
                                                 {"setup", "install", "--from", "1"},
                                                 {"setup", "remove", "--build", "/tmp"},
                                                 {"setup", "install", "--prefix"},
                                                 {"setup", "install", "--prefix", "relative"},
                                                 {"setup", "patch"},
                                                 {"setup", "install", "--mail-name", "Jobs"}}) {
        EXPECT_EQ(RunProgram(args, environment).first, 2) << args.back();
    }
    const auto [status, said] =
        RunProgram({"setup", "patch", "1.0", "--jobs", dir / "jobs"}, environment);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("there is no patch for version 1.0"), std::string::npos) << said;
}

} // namespace
} // namespace ob::test
