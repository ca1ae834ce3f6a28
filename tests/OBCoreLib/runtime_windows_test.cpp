// FindWindow and SetForegroundWindow of the runtime object on a private X server
// with a window manager, against probe windows.
#include "OBCoreLib/runtime/runtime_object.h"
#include "OBCoreLib/runtime/window_lookup.h"
#include "platform/desktop/desktop_windows.h"
#include "platform/desktop/x_connection.h"
#include "platform/env/environment.h"
#include "support/scratch.h"
#include "support/x_server.h"
#include "variables/variable_manager.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::corelib {
namespace {

using vbscript::Variant;

std::string LastError() {
    return vars::MainStore().Get(nullptr, "JR.LAST_ERROR", vars::ENV_TRANSIENT).value_or("");
}

class RuntimeWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(dir_);
        const std::string missing = test::XServer::Unavailable(true);
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
        ASSERT_TRUE(server_.Start(true)) << server_.Problem();
    }

    // A probe window's id once it is shown; 0 if it never is.
    std::int32_t Probe(test::LineChild& child, const char* className, const char* title) {
        const std::string program = test::ProbeWindowProgram();
        const char* argv[] = {program.c_str(), className, title, nullptr};
        std::string line;
        if (!child.Start(argv) || !child.WaitFor("mapped ", line, std::chrono::seconds(10))) {
            return 0;
        }
        return static_cast<std::int32_t>(std::stoul(line.substr(7), nullptr, 16));
    }

    test::ScratchDir dir_;
    test::XServer server_;
    RuntimeObject runtime_;
};

TEST_F(RuntimeWindows, FindWindowMatchesTitleAndClassAndRaisesTheWindow) {
    test::LineChild first;
    test::LineChild second;
    const std::int32_t report = Probe(first, "ObrentaReport", "Monthly report - Viewer");
    const std::int32_t editor = Probe(second, "ObrentaEditor", "notes.txt - Editor");
    ASSERT_NE(report, 0);
    ASSERT_NE(editor, 0);
    const struct {
        const char* title;
        const char* className;
        std::int32_t window; ///< 0: none found
    } cases[] = {
        {"^Monthly report", "", report},
        {"Editor$", "ObrentaEditor", editor},
        {"", "^ObrentaReport$", report},
        {"notes", "ObrentaReport", 0},
        {"([", "", 0}, // does not compile: matches nothing
    };
    for (const auto& c : cases) {
        const CallResult found =
            runtime_.Call("FindWindow", {Variant::String(c.title), Variant::String(c.className)});
        EXPECT_EQ(found.value.ToLong(), c.window) << c.title << " / " << c.className;
        EXPECT_EQ(found.status, c.window == 0 ? HResult::False : HResult::Ok);
        if (c.window == 0) {
            EXPECT_EQ(LastError(), kNoMatchingWindow);
        }
    }
    for (const std::int32_t window : {report, editor}) {
        const CallResult raised = runtime_.Call("SetForegroundWindow", {Variant::Long(window)});
        EXPECT_EQ(raised.status, HResult::Ok);
        EXPECT_EQ(raised.value.ToLong(), -1);
        desktop::XConnection connection;
        ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
        EXPECT_EQ(desktop::ActiveWindow(connection), static_cast<desktop::WindowId>(window));
    }
    const CallResult gone = runtime_.Call("SetForegroundWindow", {Variant::Long(0x7ffffff)});
    EXPECT_EQ(gone.status, HResult::False);
    EXPECT_EQ(LastError(), kNoForegroundWindow);
}

TEST_F(RuntimeWindows, WithoutADisplayThereAreNoWindows) {
    env::Remove("DISPLAY");
    EXPECT_EQ(runtime_.Call("FindWindow", {Variant::String(""), Variant::String("")}).status,
              HResult::False);
    EXPECT_EQ(LastError(), kNoMatchingWindow);
    EXPECT_EQ(runtime_.Call("SetForegroundWindow", {Variant::Long(1)}).status, HResult::False);
    EXPECT_EQ(LastError(), kNoForegroundWindow);
}

} // namespace
} // namespace ob::corelib
