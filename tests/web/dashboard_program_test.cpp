// The dashboard of `obrenta run --web` over real HTTP: Python's urllib with a cookie
// jar drives the API (dashboard_api.py), headless Chromium the pages
// (dashboard_browser.py). Log-ins need root for throw-away accounts; the browser
// test needs the packages chromium, chromium-driver and python3-selenium. Each
// skips with its reason otherwise.

#include "dashboard_program.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ob::test {
namespace {

constexpr int kSkipped = 77;

std::string Script(const char* name) {
    return std::string(OB_TEST_SOURCE_DIR) + "/" + name;
}

std::string JobFile() {
    return std::string(OB_TEST_DATA_DIR) + "/dashboard.jr";
}

TEST(DashboardProgramTest, RefusesEverythingWithoutLogIn) {
    ScratchDir dir;
    DashboardProgram program(dir, JobFile(), "nogroup");
    ASSERT_FALSE(program.Url().empty()) << program.Errors();
    const Finished run =
        RunToEnd({"/usr/bin/python3", Script("dashboard_api.py"), program.Url(), "anonymous"});
    EXPECT_EQ(run.status, 0) << run.output;
}

// The program serving the job file to a throw-away administrator group.
class DashboardAdministratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!accounts_.Problem().empty()) {
            GTEST_SKIP() << accounts_.Problem();
        }
        program_ = std::make_unique<DashboardProgram>(dir_, JobFile(), accounts_.group);
        ASSERT_FALSE(program_->Url().empty()) << program_->Errors();
    }

    Finished RunScript(const char* script, std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/python3", Script(script), program_->Url()});
        return RunToEnd(args);
    }

    ThrowAwayAccounts accounts_;
    ScratchDir dir_;
    std::unique_ptr<DashboardProgram> program_;
};

TEST_F(DashboardAdministratorTest, ServesTheApi) {
    const Finished run = RunScript("dashboard_api.py", {"api", accounts_.admin, accounts_.plain,
                                                        ThrowAwayAccounts::kPassword});
    EXPECT_EQ(run.status, 0) << run.output << program_->Errors();
}

TEST_F(DashboardAdministratorTest, RendersTheJobListInABrowser) {
    const std::string screenshot = std::string(OB_BIN_DIR) + "/../dashboard_jobs.png";
    const Finished run = RunScript("dashboard_browser.py",
                                   {accounts_.admin, ThrowAwayAccounts::kPassword, screenshot});
    if (run.status == kSkipped) {
        GTEST_SKIP() << run.output;
    }
    EXPECT_EQ(run.status, 0) << run.output << program_->Errors();
    EXPECT_TRUE(std::filesystem::exists(screenshot));
}

TEST(DashboardProgramTest, RefusesAnAddressItCannotUse) {
    const Finished run = RunToEnd({std::string(OB_BIN_DIR) + "/obrenta", "run", "--web", "1.2.3"});
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("--web takes ADDRESS:PORT or PORT"), std::string::npos) << run.output;
}

TEST(DashboardProgramTest, ReadsTheAddressSettingAndRunsOnWithoutABadOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.0.1:0", "obrenta: web dashboard at http://127.0.0.1:"},
        {"nonsense:x",
         "obrenta: web dashboard disabled: web_address \"nonsense:x\" is not ADDRESS:PORT"},
    };
    for (const auto& [setting, said] : cases) {
        ScratchDir dir;
        const Finished run =
            RunToEnd({std::string(OB_BIN_DIR) + "/obrenta", "run", "--seconds", "1", JobFile()},
                     ProgramEnvironment(dir, {std::string("web_address=") + setting}));
        EXPECT_EQ(run.status, 0) << setting << "\n" << run.output;
        EXPECT_NE(run.output.find(said), std::string::npos) << setting << "\n" << run.output;
    }
}

} // namespace
} // namespace ob::test
