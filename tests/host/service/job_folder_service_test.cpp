// `obrenta run --jobs`: a job folder run as a service, reloaded on SIGHUP, stopped
// by SIGTERM or by the installer, telling a service manager of the test's own how
// it is doing.

#include "running_program.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace ob::test {
namespace {

using namespace std::chrono_literals;

const char* kPortKey = "HKLM\\Software\\Varndel Software\\Obrenta\\Communication";

// A job that prints `text` every second.
std::string Ticker(const std::string& name, const std::string& text) {
    return "{\n\t-name " + name + "\n\t-start -inc 0 0 0 1\n\t-action -print \"" + text + "\"\n}\n";
}

class JobFolderService : public ::testing::Test {
protected:
    void SetUp() override {
        environment_ = ProgramEnvironment(dir_);
        ASSERT_EQ(RunProgram({"reg", "add", kPortKey, "cs_port", "0"}, environment_).first, 0);
        std::filesystem::create_directories(Jobs());
    }
    std::string Jobs() const { return dir_ / "jobs"; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Jobs() + "/" + name, std::ios::trunc) << text;
    }

    ScratchDir dir_;
    std::vector<std::string> environment_;
};

TEST_F(JobFolderService, SighupReloadsAChangedFileAndKeepsTheJobsBeforeAnError) {
    Write("a.jr", Ticker("a", "a one"));
    Write("notes.txt", Ticker("n", "not a job file"));
    Write(".hidden.jr", Ticker("h", "hidden"));
    ServiceManagerSocket manager(dir_ / "notify");
    environment_.push_back(manager.Variable());
    RunningProgram service({"run", "--jobs", Jobs()}, environment_);
    EXPECT_EQ(manager.Next(), "READY=1\nSTATUS=1 job files read\n");
    ASSERT_NE(service.WaitForOutput("a one"), std::string::npos) << service.Err();

    Write("a.jr", Ticker("a", "a two"));
    Write("b.jr", Ticker("b", "b first") + "{\n\t-name broken\n\t-start -bogus\n}\n" +
                      Ticker("c", "never loaded"));
    service.Signal(SIGHUP);
    const std::string reloading = manager.Next();
    EXPECT_TRUE(reloading.starts_with("RELOADING=1\nMONOTONIC_USEC=")) << reloading;
    EXPECT_EQ(manager.Next(), "READY=1\nSTATUS=2 job files read, 1 failed: " + Jobs() + "/b.jr\n");
    const std::size_t reloaded = service.WaitForOutput("Loading " + Jobs() + "/a.jr.", 1);
    ASSERT_NE(reloaded, std::string::npos);
    EXPECT_NE(service.WaitForOutput("a two", reloaded), std::string::npos);
    const std::size_t settled = service.WaitForOutput("b first", reloaded);
    EXPECT_NE(settled, std::string::npos);
    service.WaitForOutput("a two", settled);
    const std::string after = service.Out().substr(reloaded);
    EXPECT_EQ(after.find("a one"), std::string::npos) << "the old job left the queue: " << after;
    EXPECT_EQ(after.find("never loaded"), std::string::npos);
    EXPECT_EQ(service.Out().find("not a job file"), std::string::npos);
    EXPECT_EQ(service.Out().find("hidden"), std::string::npos);
    EXPECT_NE(service.Err().find("obrenta: reloading the job files\n"), std::string::npos);
    EXPECT_NE(service.Err().find("obrenta: " + Jobs() + "/b.jr did not load whole"),
              std::string::npos);

    service.Signal(SIGTERM);
    EXPECT_EQ(manager.Next(), "STOPPING=1\n");
    EXPECT_EQ(service.Wait(), 0) << service.Err();
}

TEST_F(JobFolderService, AFolderThatCannotBeReadRefusesTheReloadAndKeepsTheJobs) {
    Write("a.jr", Ticker("a", "still here"));
    RunningProgram service({"run", "--jobs=" + Jobs()}, environment_);
    ASSERT_NE(service.WaitForOutput("still here"), std::string::npos) << service.Err();
    std::filesystem::rename(Jobs(), dir_ / "moved");
    service.Signal(SIGHUP);
    EXPECT_NE(service.WaitForError("obrenta: reload refused; the jobs stay as they are\n"),
              std::string::npos)
        << service.Err();
    EXPECT_NE(service.Err().find("obrenta: cannot read the job folder " + Jobs()),
              std::string::npos);
    const std::size_t refused = service.Out().size();
    EXPECT_NE(service.WaitForOutput("still here", refused), std::string::npos);
    service.Signal(SIGTERM);
    EXPECT_EQ(service.Wait(), 0);
}

TEST_F(JobFolderService, AMissingFolderStopsAtStartAndABrokenFileDoesNot) {
    const auto [missing, said] = RunProgram({"run", "--jobs", dir_ / "nowhere"}, environment_);
    EXPECT_EQ(missing, 1);
    EXPECT_NE(said.find("obrenta: cannot read the job folder " + dir_ / "nowhere"),
              std::string::npos);

    Write("broken.jr", "{\n\t-start -bogus\n}\n");
    const auto [status, output] =
        RunProgram({"run", "--seconds", "1", "--jobs", Jobs()}, environment_);
    EXPECT_EQ(status, 0) << "a service runs on with what loaded: " << output;
    const auto [named, text] =
        RunProgram({"run", "--seconds", "1", Jobs() + "/broken.jr"}, environment_);
    EXPECT_EQ(named, 1) << "a file named on the command line must load";
}

TEST_F(JobFolderService, TheInstallersShutdownRequestStopsItCleanly) {
    Write("a.jr", Ticker("a", "working"));
    ServiceManagerSocket manager(dir_ / "notify");
    std::vector<std::string> serviceEnvironment = environment_;
    serviceEnvironment.push_back(manager.Variable());
    RunningProgram service({"run", "--jobs", Jobs()}, serviceEnvironment);
    EXPECT_EQ(manager.Next(), "READY=1\nSTATUS=1 job files read\n");
    ASSERT_NE(service.WaitForOutput("working"), std::string::npos);

    const auto started = std::chrono::steady_clock::now();
    const auto [status, said] = RunProgram({"setup", "shutdown", "--jobs", Jobs()}, environment_);
    EXPECT_EQ(status, 0) << said;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_EQ(manager.Next(), "STOPPING=1\n");
    EXPECT_EQ(service.Wait(5s), 0) << "the host had ended when setup went on";
    EXPECT_NE(service.Err().find("obrenta: shutting down at the installer's request\n"),
              std::string::npos);
    std::ifstream log(Jobs() + "/obrenta.log");
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(logged.find("\tShutting down Obrenta...\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("\tShutdown complete.\n"), std::string::npos) << logged;
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "run")) << "the endpoint went with the host";
}

} // namespace
} // namespace ob::test
