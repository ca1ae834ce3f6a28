// Stopping a running engine: host programs stood in for by endpoints of the
// test's own, systemctl by a script that records how it was called.

#include "obrenta/setup.h"
#include "setup/engine_shutdown.h"
#include "setup_fixture.h"
#include "support/served_endpoint.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace ob::setup {
namespace {

using namespace std::chrono_literals;

class EngineShutdownTest : public SetupTest {
protected:
    void SetUp() override {
        SetupTest::SetUp();
        environment_.endpointDirectory = dir_ / "run";
        environment_.systemdRunning = [] { return false; };
        environment_.waitLimit = 300ms;
        environment_.checkInterval = 20ms;
        environment_.askRetry = [this](std::string_view title, std::string_view text) {
            asked_.push_back(std::string(title) + ": " + std::string(text));
            return asked_.size() < 2 ? TroubleAnswer::Retry : TroubleAnswer::Cancel;
        };
        environment_.tell = [this](std::string_view title, std::string_view text) {
            told_.push_back(std::string(title) + ": " + std::string(text));
        };
    }

    // A host that answers the shut-down request with `answer`.
    std::unique_ptr<test::ServedEndpoint> Host(std::int64_t answer) {
        return std::make_unique<test::ServedEndpoint>(
            environment_.endpointDirectory,
            [this, answer](std::string_view message, std::uint64_t wParam, std::int64_t) {
                requests_.push_back(std::string(message) + " " + std::to_string(wParam));
                return answer;
            });
    }

    ShutdownEnvironment environment_;
    std::vector<std::string> asked_;
    std::vector<std::string> told_;
    std::vector<std::string> requests_;
};

TEST_F(EngineShutdownTest, AHostThatAgreesIsWaitedForUntilItHasGone) {
    auto host = Host(OB_SETUP_SHUTDOWN_CODE);
    std::thread leaving([&] {
        std::this_thread::sleep_for(150ms);
        host->Close();
    });
    ShutdownEngine(environment_);
    leaving.join();
    EXPECT_EQ(requests_, std::vector<std::string>{"WM_SHUTDOWN 204"});
    EXPECT_TRUE(asked_.empty());
    EXPECT_EQ(Log(), "[_isShutdownObrenta]: \tShutting down Obrenta...\n"
                     "[_isShutdownObrenta]: \tShutdown complete.\n");
}

TEST_F(EngineShutdownTest, AHostThatDoesNotAgreeIsLeftAlone) {
    auto host = Host(0);
    const auto started = std::chrono::steady_clock::now();
    ShutdownEngine(environment_);
    EXPECT_LT(std::chrono::steady_clock::now() - started, environment_.waitLimit);
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(control::EndpointAlive(host->Path()));
    EXPECT_TRUE(asked_.empty());
}

TEST_F(EngineShutdownTest, AHostThatDoesNotGoMakesSetupAskRetryOrCancel) {
    auto host = Host(OB_SETUP_SHUTDOWN_CODE);
    ShutdownEngine(environment_);
    const std::string question = "Shutdown Obrenta: Setup is having trouble shutting down Obrenta\n"
                                 "Press Retry to retry the shutdown or Cancel.";
    EXPECT_EQ(asked_, (std::vector<std::string>{question, question})) << "Retry, then Cancel";
    EXPECT_EQ(told_, std::vector<std::string>{
                         "Shutdown Obrenta: Setup may not be able to update all Obrenta files\n"});
    EXPECT_NE(Log().find("\tShutdown complete.\n"), std::string::npos);
}

TEST_F(EngineShutdownTest, WhereSystemdRunsTheServicesAreStoppedFirst) {
    const std::string calls = dir_ / "calls";
    const std::string systemctl = dir_ / "systemctl";
    std::ofstream(systemctl) << "#!/bin/sh\necho \"$@\" >> " << calls << "\nexit 5\n";
    ::chmod(systemctl.c_str(), 0755);
    environment_.systemctl = systemctl;
    for (const bool running : {false, true}) {
        environment_.systemdRunning = [running] { return running; };
        ShutdownEngine(environment_);
        EXPECT_EQ(ReadFile(calls),
                  running ? "stop obrenta-proxy.service\nstop obrenta.service\n" : "(missing)")
            << "a unit that is missing (exit 5) is skipped";
    }
}

TEST_F(EngineShutdownTest, TheExportAsksTheHostsOfItsEndpointFolder) {
    auto host = Host(OB_SETUP_SHUTDOWN_CODE);
    std::thread leaving([&] {
        std::this_thread::sleep_for(100ms);
        host->Close();
    });
    EXPECT_EQ(_isShutdownObrenta(0, 0, 0, Jobs().c_str(), 0), 1);
    leaving.join();
    EXPECT_EQ(requests_, std::vector<std::string>{"WM_SHUTDOWN 204"});
}

} // namespace
} // namespace ob::setup
