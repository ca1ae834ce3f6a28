// The obrenta program run as a child process, with its own settings stores.

#include "obrenta_program.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace ob::test {
namespace {

TEST(HostProgram, RunPrintsTheStartUpPhasesAndStopsAfterItsSeconds) {
    ScratchDir dir;
    Program obrenta(dir);
    ASSERT_EQ(obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"}).status, 0);
    const auto started = std::chrono::steady_clock::now();
    const Outcome run = obrenta.Run({"run", "--level", "10", "--seconds", "2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "[PHASE I: Engine started.]\n"
                       "[PHASE II: Critical systems initialized.]\n"
                       "[PHASE III: VBScript initialized.]\n"
                       "[PHASE IV: Commandline Server initialized.]\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_NE(run.err.find("event 2000 1005"), std::string::npos)
        << "an enabled engine with no jobs reports that it is idle";
}

TEST(HostProgram, MissingConsolePortIsFilledWithTheInstallationDefaults) {
    ScratchDir dir;
    Program obrenta(dir);
    const Outcome run = obrenta.Run({"run", "--seconds", "0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Writing Communication Server port number: 1229."), std::string::npos)
        << run.err;
    const Outcome query = obrenta.Run({"reg", "query", kPortKey});
    EXPECT_NE(query.out.find("cs_port = 1229"), std::string::npos) << query.out;
    EXPECT_NE(query.out.find("px_port = 1228"), std::string::npos) << query.out;
}

TEST(HostProgram, ExitWhenIdleStopsAtTheFirstIdleReport) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const auto started = std::chrono::steady_clock::now();
    const Outcome run = obrenta.Run({"run", "--exit-when-idle", "--seconds", "60"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_NE(run.err.find("event 2000 1005\n"), std::string::npos) << run.err;
}

TEST(HostProgram, SigtermAndSigintStopCleanly) {
    for (int signal : {SIGTERM, SIGINT}) {
        ScratchDir dir;
        Program obrenta(dir);
        obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
        const auto started = std::chrono::steady_clock::now();
        const Outcome run = obrenta.Run({"run", "--level", "10"}, [signal](pid_t pid) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ::kill(pid, signal);
        });
        EXPECT_EQ(run.status, 0) << "signal " << signal << ": " << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
        EXPECT_NE(run.out.find("[PHASE IV: Commandline Server initialized.]"), std::string::npos);
    }
}

TEST(HostProgram, StopsPromptlyWhileAJobSleeps) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string script = dir / "sleepy.jr";
    std::ofstream(script) << "{\n-start\n-stop\n-action -sleep 600000\n}\n";
    std::chrono::steady_clock::time_point signalled;
    const Outcome run = obrenta.Run({"run", script}, [&](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        signalled = std::chrono::steady_clock::now();
        ::kill(pid, SIGTERM);
    });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(4))
        << "the sleeping job is woken instead of waited out";
}

TEST(HostProgram, BadUsageAndUnloadableFiles) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    EXPECT_EQ(obrenta.Run({}).status, 2);
    EXPECT_EQ(obrenta.Run({"frobnicate"}).status, 2);
    EXPECT_EQ(obrenta.Run({"run", "--bogus"}).status, 2);
    EXPECT_EQ(obrenta.Run({"run", "--seconds"}).status, 2);
    EXPECT_EQ(obrenta.Run({"run", "--level", "xyz"}).status, 2);
    EXPECT_EQ(obrenta.Run({"check"}).status, 2);

    const std::string missing = dir / "missing.jr";
    const Outcome run = obrenta.Run({"run", "--seconds", "5", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Cannot open the file " + missing + " for reading."), std::string::npos)
        << run.out;
    EXPECT_EQ(obrenta.Run({"check", missing}).status, 1);
}

TEST(HostProgram, JobsRunTheirActionsAndAQuitOrALogFileIsHonoured) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string log = dir / "out.log";
    const std::string script = dir / "quit.jr";
    std::ofstream(script) << "{\n-name main\n-start\n-stop\n-action -print before\n"
                             "-action -logfile "
                          << log
                          << "\n-action -print after\n"
                             "-action -quit\n}\n";
    const auto started = std::chrono::steady_clock::now();
    const Outcome run = obrenta.Run({"run", "--level", "20", "--seconds", "60", script});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20))
        << "-quit stops the program";
    // -quit ends the run as a fatal outcome would: $RUNTIME's default aborts it.
    EXPECT_EQ(run.out, "Loading " + script + ".\n1 jobs loaded.\nbefore \nafter \nAbort called.\n");
    std::ifstream in(log);
    const std::string logged((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    EXPECT_EQ(logged, "after \nAbort called.\n") << "lines after the -logfile go to the file too";
    // Like every event but output pieces, the quit and the log file are reported.
    EXPECT_NE(run.err.find("event 2007 " + log + "\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("event 2001 0\n"), std::string::npos) << run.err;
}

TEST(HostProgram, CheckLoadsWithoutRunningAndReportsFormatErrors) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string good = dir / "good.jr";
    std::ofstream(good) << "{\n-start\n-action -print should not run\n}\n";
    const Outcome ok = obrenta.Run({"check", good});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "Loading " + good + ".\n1 jobs loaded.\n");
    const std::string bad = dir / "bad.jr";
    std::ofstream(bad) << "{\n-start -inc 0 0 0 0\n}\n";
    const Outcome failed = obrenta.Run({"check", bad});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.out.find("Bad date format -inc 0 0 0 0."), std::string::npos) << failed.out;
    EXPECT_NE(failed.err.find("event 2000 1003"), std::string::npos) << failed.err;
}

TEST(HostProgram, CheckWritesNothingToTheSettingsStore) {
    ScratchDir dir;
    Program obrenta(dir);
    const std::string good = dir / "good.jr";
    std::ofstream(good) << "{\n-start\n-action -print should not run\n}\n";
    const auto started = std::chrono::steady_clock::now();
    const Outcome check = obrenta.Run({"check", good});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
        << "no console port in the store does not hold a check up";
    EXPECT_EQ(check.err.find("Writing"), std::string::npos) << check.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "machine/registry.db"));
    EXPECT_FALSE(std::filesystem::exists(dir / "user/registry.db"));
}

// A console port that cannot be used leaves the session running without a console
// and says why on standard error.
TEST(HostProgram, AnUnusableConsolePortIsReported) {
    // A port already listened on: this test's own socket on every address.
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(taken, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string takenPort = std::to_string(ntohs(address.sin_port));
    const struct {
        std::string port;
        std::string reason;
    } cases[] = {
        {"abc", "Commandline Server disabled: cs_port \"abc\" is not a port number (0 to 65535)."},
        {"70000",
         "Commandline Server disabled: cs_port \"70000\" is not a port number (0 to 65535)."},
        {takenPort, "Commandline Server disabled: cannot listen on port " + takenPort + ": "},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        Program obrenta(dir);
        obrenta.Run({"reg", "add", kPortKey, "cs_port", c.port});
        const Outcome run = obrenta.Run({"run", "--seconds", "1"});
        EXPECT_EQ(run.status, 0) << c.port << ": " << run.err;
        EXPECT_NE(run.err.find("event 2017 " + c.reason), std::string::npos)
            << c.port << ": " << run.err;
    }
    ::close(taken);
}

TEST(HostProgram, CorruptSettingsDatabaseIsReportedNotFatal) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    {
        std::ofstream corrupt(dir / "user/registry.db", std::ios::binary);
        for (int i = 0; i < 4096; ++i) {
            corrupt.put(static_cast<char>((i * 7919) & 0xFF));
        }
    }
    // Without machine write access the user store is read first: it is corrupt, so
    // the port comes from the machine store and the problem is reported.
    const Outcome run =
        obrenta.Run({"run", "--seconds", "1"}, nullptr, {"OBRENTA_MACHINE_READONLY=1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("settings store"), std::string::npos) << run.err;
}

} // namespace
} // namespace ob::test
