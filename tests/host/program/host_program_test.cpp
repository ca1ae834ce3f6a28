// The obrenta program run as a child process, with its own settings stores.

#include "obrenta_program.h"
#include "support/scratch.h"
#include "support/soft_descriptor_limit.h"

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
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

// The program raises its own soft descriptor limit to the hard limit; the programs
// its jobs launch get the soft limit it was started with.
TEST(HostProgram, RaisesItsDescriptorLimitButNotItsChildrens) {
    rlimit limits{};
    ::getrlimit(RLIMIT_NOFILE, &limits);
    if (limits.rlim_max <= 200) {
        GTEST_SKIP() << "the hard descriptor limit is " << limits.rlim_max << "; nothing to raise";
    }
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string child = dir / "child.txt";
    const std::string parent = dir / "parent.txt";
    const std::string script = dir / "limits.jr";
    std::ofstream(script) << "{\n-start\n-stop\n-action -spawn -wait sh -c \"ulimit -Sn > " << child
                          << "; cat /proc/$PPID/limits > " << parent << "\"\n-action -quit\n}\n";
    Outcome run;
    {
        const SoftDescriptorLimit lowered(200);
        ASSERT_TRUE(lowered.Ok());
        run = obrenta.Run({"run", "--seconds", "30", script});
    }
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream childLimit(child);
    std::string soft;
    childLimit >> soft;
    EXPECT_EQ(soft, "200");
    std::ifstream parentLimits(parent);
    std::string line;
    std::string openFiles;
    while (std::getline(parentLimits, line)) {
        if (line.rfind("Max open files", 0) == 0) {
            openFiles = line;
        }
    }
    const std::string hard = std::to_string(limits.rlim_max);
    std::istringstream fields(openFiles.substr(std::string("Max open files").size()));
    std::string parentSoft, parentHard;
    fields >> parentSoft >> parentHard;
    EXPECT_EQ(parentSoft, hard) << openFiles;
    EXPECT_EQ(parentHard, hard) << openFiles;
}

// A failed launch as another account prints its statement without the password;
// the core dump, which keeps it, lies in the machine store's folder, mode 0600.
TEST(HostProgram, PasswordsStayOutOfTheOutputAndTheCoreDumpIsPrivate) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string script = dir / "secret.jr";
    std::ofstream(script) << "{\n-start\n-stop\n"
                             "-action -spawn -user ob-no-such-user -password s3cret /bin/true\n"
                             "-action -frobnicate -password s3cret\n}\n";
    const Outcome run =
        obrenta.Run({"run", "--level", "1", "--exit-when-idle", "--seconds", "30", script});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("-password ******** /bin/true)."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[Statement->\"-frobnicate -password ********\"]"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("s3cret"), std::string::npos) << run.out;
    const std::string core = dir / "machine/obrenta.core";
    struct stat info {};
    ASSERT_EQ(::stat(core.c_str(), &info), 0) << core;
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A run that holds up the engine longer than JR.WATCHDOG_SECONDS is reported on
// standard error, naming its job and statement, and again when it ends; 0 is off.
TEST(HostProgram, WatchdogReportsARunThatBlocksTheEngine) {
    struct Case {
        const char* seconds;
        bool reported;
    };
    for (const Case c : {Case{"1", true}, Case{"0", false}}) {
        SCOPED_TRACE(c.seconds);
        ScratchDir dir;
        Program obrenta(dir);
        obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
        const std::string script = dir / "blocking.jr";
        std::ofstream(script) << "{\n-name sleeper\n-action -sleep 2500\n}\n"
                                 "{\n-name main\n-start\n-stop\n-action -call sleeper\n}\n";
        const Outcome run = obrenta.Run({"run", "--exit-when-idle", "--seconds", "20", script},
                                        nullptr, {std::string("JR.WATCHDOG_SECONDS=") + c.seconds});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::size_t blocked =
            run.err.find("event 2018 Job \"main\" has blocked the engine for ");
        const std::size_t released =
            run.err.find("event 2018 Job \"main\" no longer blocks the engine; its run took ");
        if (!c.reported) {
            EXPECT_EQ(run.err.find("event 2018"), std::string::npos) << run.err;
            continue;
        }
        ASSERT_NE(blocked, std::string::npos) << run.err;
        EXPECT_NE(run.err.find(" s at line 5: -call sleeper (now at line 3 of job \"sleeper\": "
                               "-sleep 2500)\n",
                               blocked),
                  std::string::npos)
            << run.err;
        EXPECT_GT(released, blocked) << run.err;
    }
}

TEST(HostProgram, CheckWarnsOfVariablesNamedLikeDateTokens) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string script = dir / "tokens.jr";
    std::ofstream(script) << "{\n-start\n-action -set Y=abc\n-action -while %Y%<3 loop\n}\n";
    const Outcome check = obrenta.Run({"check", script});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("[Warning: " + script +
                             " line 3 sets the variable \"Y\", but a reference to it is taken "
                             "for a date token: %y% gives the year without the century (00 to "
                             "99), %Y% gives the year with the century (1995).]\n"),
              std::string::npos)
        << check.out;
}

} // namespace
} // namespace ob::test
