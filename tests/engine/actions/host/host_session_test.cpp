// The directives inside a running session: the scheduler fires a job on the engine
// thread and the host window receives its events.
#include "engine/session/test_host.h"

#include "obrenta/obrenta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace ob::test {
namespace {

TEST(HostDirectiveSession, HostReceivesTheEventsOfAFiredJob) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    ScratchDir dir;
    const std::string proxyFile = dir / "proxy.txt";
    std::ofstream(proxyFile, std::ios::binary) << "proxy\r\ncontent\n";
    const std::string script = dir / "host.jr";
    std::ofstream(script) << "{\n\t-name host-job\n\t-start\n\t-stop\n"
                             "\t-action -hide\n"
                             "\t-action -proxy -load "
                          << proxyFile
                          << "\n"
                             "\t-action -show\n"
                             "\t-action -quit\n"
                             "\t-action -print not reached\n"
                             "}\n";
    ASSERT_EQ(OB_LoadCronScript(host.Session(), script.c_str()), static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_ModifyFlags(host.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    ASSERT_TRUE(host.PumpUntil([&] { return host.Count(OB_EV_QUIT, 0) > 0; }));

    std::vector<std::uint32_t> codes;
    std::string proxyText;
    for (const RecordedEvent& e : host.events) {
        if (e.code == OB_EV_HIDE || e.code == OB_EV_SHOW || e.code == OB_EV_QUIT ||
            e.code == 2010) {
            codes.push_back(e.code);
        }
        if (e.code == 2010) {
            proxyText = e.text;
        }
    }
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{OB_EV_HIDE, 2010, OB_EV_SHOW, OB_EV_QUIT}));
    EXPECT_EQ(proxyText, "proxy\ncontent\n");
    EXPECT_EQ(host.Count(OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
    const auto lines = host.Lines();
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "not reached "), lines.end());
}

} // namespace
} // namespace ob::test
