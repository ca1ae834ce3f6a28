#include "desktop_fixture.h"

namespace ob::test {

void DesktopTest::SetUp() {
    const std::string missing = XServer::Unavailable(WithManager());
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    ASSERT_TRUE(server_.Start(WithManager())) << server_.Problem();
}

ProbeWindow DesktopTest::Probe(const std::string& className, const std::string& title) {
    ProbeWindow probe;
    const std::string program = ProbeWindowProgram();
    const char* argv[] = {program.c_str(), className.c_str(), title.c_str(), nullptr};
    EXPECT_TRUE(probe.child->Start(argv)) << program;
    std::string line;
    if (probe.child->WaitFor("mapped ", line, std::chrono::seconds(10))) {
        probe.id = std::stoull(line.substr(7), nullptr, 16);
    } else {
        ADD_FAILURE() << "the probe window " << title << " was not shown";
    }
    return probe;
}

std::string DesktopTest::NextKey(ProbeWindow& probe) {
    std::string line;
    return probe.child->WaitFor("key ", line, std::chrono::seconds(5)) ? line.substr(4) : "";
}

} // namespace ob::test
