// Jobs fired by a real session's scheduler: calls, the fatal-error event and the
// abort of the queue, as a host sees them.

#include "engine/session/test_host.h"
#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace ob::test {
namespace {

class SchedulerRun : public ::testing::Test {
protected:
    std::string Script(const std::string& text) {
        const std::string path = scratch_ / "jobs.jr";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    bool HasLine(const std::string& line) const {
        const auto lines = host_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    ScratchDir scratch_;
    TestHost host_;
};

TEST_F(SchedulerRun, FiredJobCallsAnotherAndIsStopped) {
    ASSERT_EQ(host_.Create("0"), static_cast<std::uint32_t>(OB_OK));
    const std::string path = Script("{\n-name sub\n-action -print in sub\n}\n"
                                    "{\n-name main\n-start\n-stop\n-action -call sub\n"
                                    "-action -print after call\n}\n");
    ASSERT_EQ(OB_LoadCronScript(host_.Session(), path.c_str()), static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    ASSERT_TRUE(host_.PumpUntil([&] { return HasLine("--Stop triggered, removing job."); }));
    const auto lines = host_.Lines();
    const auto in = std::find(lines.begin(), lines.end(), "in sub ");
    ASSERT_NE(in, lines.end());
    ASSERT_NE(in + 1, lines.end());
    EXPECT_EQ(*(in + 1), "after call ");
    ASSERT_NE(in, lines.begin());
    EXPECT_EQ((in - 1)->rfind("Trigger:main: ", 0), 0u) << *(in - 1);
}

TEST_F(SchedulerRun, FatalFailurePostsTheScriptErrorAndClearsTheQueue) {
    ASSERT_EQ(host_.Create("0"), static_cast<std::uint32_t>(OB_OK));
    const std::string path = Script("{\n-name other\n-start -inc 0 0 0 1\n-action -print other\n}\n"
                                    "{\n-name main\n-start\n-action -nonsense\n}\n");
    ASSERT_EQ(OB_LoadCronScript(host_.Session(), path.c_str()), static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    ASSERT_TRUE(host_.PumpUntil([&] { return HasLine("Abort called."); }));
    EXPECT_TRUE(HasLine("Unknown -action directive \"-nonsense\""));
    EXPECT_EQ(host_.Count(OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
    std::uint32_t count = 99;
    ASSERT_TRUE(host_.PumpUntil([&] {
        return OB_GetJobCount(host_.Session(), &count) == OB_OK && count == 0;
    })) << "the abort empties the queue at the end of its tick";
}

} // namespace
} // namespace ob::test
