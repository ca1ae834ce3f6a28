#include "desktop_fixture.h"

#include "platform/desktop/x_connection.h"
#include "platform/env/environment.h"

#include <algorithm>

namespace ob::test {
namespace {

using desktop::Activation;
using desktop::DesktopWindow;
using desktop::DisplayStatus;
using desktop::XConnection;

std::ptrdiff_t IndexOf(const std::vector<DesktopWindow>& walk, desktop::WindowId id) {
    const auto found =
        std::find_if(walk.begin(), walk.end(), [id](const DesktopWindow& w) { return w.id == id; });
    return found == walk.end() ? -1 : found - walk.begin();
}

TEST_P(DesktopTest, WalkGivesTitlesAndClassesTopWindowFirst) {
    ProbeWindow first = Probe("ObrentaProbeA", "First window");
    ProbeWindow second = Probe("ObrentaProbeB", "Second window \xc3\xa9t\xc3\xa9");
    XConnection connection;
    ASSERT_EQ(connection.Open(), DisplayStatus::Ok) << connection.Problem();
    // Activation raises a window: the one activated last is on top, so it comes first.
    for (ProbeWindow* top : {&first, &second, &first}) {
        ASSERT_EQ(desktop::ActivateWindow(connection, top->id), Activation::Activated);
        const std::vector<DesktopWindow> walk = desktop::WalkWindows(connection);
        const std::ptrdiff_t a = IndexOf(walk, first.id);
        const std::ptrdiff_t b = IndexOf(walk, second.id);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        EXPECT_EQ(walk[a].className, "ObrentaProbeA");
        EXPECT_EQ(walk[a].title, "First window");
        EXPECT_EQ(walk[b].className, "ObrentaProbeB");
        EXPECT_EQ(walk[b].title, "Second window \xc3\xa9t\xc3\xa9");
        EXPECT_EQ(top == &first, a < b);
    }
}

TEST_P(DesktopTest, ActivationGivesTheWindowTheFocus) {
    ProbeWindow first = Probe("ObrentaProbeA", "First");
    ProbeWindow second = Probe("ObrentaProbeB", "Second");
    XConnection connection;
    ASSERT_EQ(connection.Open(), DisplayStatus::Ok);
    ASSERT_EQ(desktop::ActivateWindow(connection, first.id), Activation::Activated);
    std::string line;
    EXPECT_TRUE(first.child->WaitFor("focus", line, std::chrono::seconds(5)));
    EXPECT_EQ(desktop::ActiveWindow(connection), first.id);
    ASSERT_EQ(desktop::ActivateWindow(connection, second.id), Activation::Activated);
    EXPECT_EQ(desktop::ActiveWindow(connection), second.id);
}

TEST_P(DesktopTest, ActivationOfAWindowThatIsNotThereFails) {
    XConnection connection;
    ASSERT_EQ(connection.Open(), DisplayStatus::Ok);
    for (const desktop::WindowId id : {desktop::WindowId{0}, desktop::WindowId{0x7ffffff}}) {
        EXPECT_EQ(desktop::ActivateWindow(connection, id), Activation::NoSuchWindow) << id;
    }
    EXPECT_TRUE(connection.Alive());
}

INSTANTIATE_TEST_SUITE_P(WindowManager, DesktopTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Openbox" : "None";
                         });

TEST(DisplayConnection, FailsAtOnceWithoutAServer) {
    struct Case {
        const char* display; // null: unset
        DisplayStatus status;
        const char* problem;
    };
    const Case cases[] = {
        {nullptr, DisplayStatus::NotSet, "DISPLAY is not set."},
        {"", DisplayStatus::NotSet, "DISPLAY is not set."},
        {":4711", DisplayStatus::Unreachable, "Cannot reach the X display :4711: "},
        {"127.0.0.1:4711", DisplayStatus::Unreachable,
         "Cannot reach the X display 127.0.0.1:4711: "},
        {"nonsense", DisplayStatus::Unreachable, "Cannot reach the X display nonsense: "},
    };
    const auto saved = env::Get("DISPLAY");
    for (const Case& c : cases) {
        if (c.display == nullptr) {
            env::Remove("DISPLAY");
        } else {
            env::Set("DISPLAY", c.display);
        }
        XConnection connection;
        EXPECT_EQ(connection.Open(), c.status) << (c.display ? c.display : "(unset)");
        EXPECT_EQ(connection.Problem().rfind(c.problem, 0), 0u) << connection.Problem();
        EXPECT_EQ(connection.Get(), nullptr);
    }
    if (saved) {
        env::Set("DISPLAY", *saved);
    } else {
        env::Remove("DISPLAY");
    }
}

} // namespace
} // namespace ob::test
