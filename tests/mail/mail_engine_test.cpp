// The engine's channel table and the checks every call makes before any network.
#include "mail/channel_options.h"
#include "mail/mail_engine.h"

#include <gtest/gtest.h>

namespace {

using namespace ob::mail;

TEST(MailEngine, AttachOnceWithUpTo128Channels) {
    MailEngine engine;
    EXPECT_EQ(engine.SetInteger(0, option::kApop, 1), -71);
    EXPECT_EQ(engine.ClaimChannel(), -71);
    EXPECT_EQ(engine.Attach(0), -73);
    EXPECT_EQ(engine.Attach(129), -73);
    EXPECT_EQ(engine.Attach(128), 1);
    EXPECT_EQ(engine.Attach(2), -72);
    EXPECT_EQ(engine.SetInteger(127, option::kApop, 1), 0);
    EXPECT_EQ(engine.SetInteger(128, option::kApop, 1), -73);
    EXPECT_EQ(engine.SetInteger(-1, option::kApop, 1), -73);
    EXPECT_EQ(engine.BoundaryBase().substr(0, 6), "===OBM");
    EXPECT_EQ(engine.BoundaryBase().substr(engine.BoundaryBase().size() - 3), "===");
    EXPECT_EQ(engine.Detach(), 0);
    EXPECT_EQ(engine.Detach(), -71);
}

TEST(MailEngine, ClaimedChannelsAreHandedOutOnceAndResetOnRelease) {
    MailEngine engine;
    ASSERT_EQ(engine.Attach(2), 1);
    EXPECT_EQ(engine.ClaimChannel(), 0);
    EXPECT_EQ(engine.ClaimChannel(), 1);
    EXPECT_EQ(engine.ClaimChannel(), -73);
    ASSERT_EQ(engine.SetText(0, option::kAuthUser, "ann"), 0);
    ASSERT_EQ(engine.Status(0, 3), 0);
    (void)engine.SmtpConnect(0, "", "", "");
    EXPECT_EQ(engine.Status(0, 3), -50);
    engine.ReleaseChannel(0);
    EXPECT_EQ(engine.Status(0, 3), 0);
    EXPECT_EQ(engine.ClaimChannel(), 0);
}

TEST(MailEngine, CallsCheckTheirArgumentsFirst) {
    MailEngine engine;
    ASSERT_EQ(engine.Attach(1), 1);
    char small[64];
    char buffer[256];
    EXPECT_EQ(engine.ErrorText(0, -8, nullptr, 256), -68);
    EXPECT_EQ(engine.ErrorText(0, -8, small, sizeof small), -69);
    EXPECT_EQ(engine.ErrorText(0, -8, buffer, sizeof buffer), 16);
    EXPECT_STREQ(buffer, "vSock timed out.");
    EXPECT_EQ(engine.EmailLines(0, 1, 0, nullptr, 4096), -68);
    EXPECT_EQ(engine.EmailLines(0, 1, 0, small, sizeof small), -69);
    EXPECT_EQ(engine.EmailCount(0), -44);
    EXPECT_EQ(engine.EmailFile(0, 1, "", "/tmp", "/tmp"), -44);
    EXPECT_EQ(engine.Pop3Connect(0, "127.0.0.1", "", "pw"), -61);
    EXPECT_EQ(engine.Pop3Connect(0, "127.0.0.1", "ann", ""), -62);
    EXPECT_EQ(engine.Pop3Connect(0, "", "ann", "pw"), -50);
    EXPECT_EQ(engine.Status(0, 9), -5);
    EXPECT_EQ(engine.Status(0, 1), 0);
    EXPECT_EQ(engine.Close(0), 0);
    EXPECT_EQ(engine.SetText(0, 999, "x"), -10022);
    EXPECT_EQ(engine.ErrorText(0, -12345), "");
}

} // namespace
