// Desktop tests: a private X server per test, with or without a window manager,
// and probe windows (tests/support/x_server.h).
#pragma once

#include "support/x_server.h"

#include "platform/desktop/desktop_windows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ob::test {

struct ProbeWindow {
    std::unique_ptr<LineChild> child = std::make_unique<LineChild>();
    desktop::WindowId id = 0;
};

class DesktopTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override;
    void TearDown() override { server_.Stop(); }

    bool WithManager() const { return GetParam(); }
    /// Starts a probe window and waits until it is shown (a test failure if not).
    ProbeWindow Probe(const std::string& className, const std::string& title);
    /// Waits for the probe's next "key" line; empty when none comes.
    static std::string NextKey(ProbeWindow& probe);

    XServer server_;
};

} // namespace ob::test
