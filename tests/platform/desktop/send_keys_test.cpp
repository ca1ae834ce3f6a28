#include "desktop_fixture.h"

#include "platform/desktop/send_keys.h"
#include "platform/desktop/x_connection.h"
#include "platform/env/environment.h"

#include <vector>

namespace ob::test {
namespace {

using desktop::SendKeysResult;

class SendKeysTest : public DesktopTest {};

TEST_P(SendKeysTest, TypesIntoTheActiveWindowExactly) {
    ProbeWindow probe = Probe("ObrentaKeys", "Keys");
    {
        desktop::XConnection connection;
        ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
        ASSERT_EQ(desktop::ActivateWindow(connection, probe.id), desktop::Activation::Activated);
    }
    const desktop::SendKeysOutcome sent =
        desktop::SendKeys("Hi{ENTER}+a^b%c{F5}{x 3}~+(yz){LEFT}\xc3\xa9\xe2\x82\xac!{{}");
    ASSERT_EQ(sent.result, SendKeysResult::Sent) << sent.message;
    const std::vector<std::string> expected = {
        "H S",  "i -",    "Return -", "A S",     "b C",      "c A",
        "F5 -", "x -",    "x -",      "x -",     "Return -", "Y S",
        "Z S",  "Left -", "eacute -", "U20AC -", "exclam S", "braceleft S",
    };
    for (const std::string& key : expected) {
        EXPECT_EQ(NextKey(probe), key);
    }
}

TEST_P(SendKeysTest, RefusesBadKeysBeforeTyping) {
    ProbeWindow probe = Probe("ObrentaKeys", "Keys");
    const desktop::SendKeysOutcome sent = desktop::SendKeys("ab{NOPE}");
    EXPECT_EQ(sent.result, SendKeysResult::BadKeys);
    EXPECT_EQ(sent.message, "Invalid keys at offset 2: unknown key name \"NOPE\".");
    std::string line;
    EXPECT_FALSE(probe.child->WaitFor("key ", line, std::chrono::milliseconds(300)));
}

INSTANTIATE_TEST_SUITE_P(WindowManager, SendKeysTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Openbox" : "None";
                         });

TEST(SendKeysWithoutDisplay, FailsAtOnce) {
    const auto saved = env::Get("DISPLAY");
    env::Remove("DISPLAY");
    const desktop::SendKeysOutcome sent = desktop::SendKeys("abc");
    EXPECT_EQ(sent.result, SendKeysResult::NoDisplay);
    EXPECT_EQ(sent.message, "DISPLAY is not set.");
    if (saved) {
        env::Set("DISPLAY", *saved);
    }
}

} // namespace
} // namespace ob::test
