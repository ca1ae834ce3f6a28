// The relay window: what the automation library's messages do to the session.

#include "test_host.h"

#include "engine/session/relay_window.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"

#include <gtest/gtest.h>

#include <thread>

namespace ob::test {
namespace {

struct Relay {
    explicit Relay(TestHost& host)
        : window(host.Record().relayWindow),
          session(reinterpret_cast<msg::WPARAM>(host.Session())) {}
    msg::LRESULT Send(const char* name, msg::LPARAM payload, msg::WPARAM to) const {
        return msg::SendMessage(window, msg::RegisterWindowMessage(name), to, payload);
    }
    msg::Hwnd window;
    msg::WPARAM session;
};

TEST(RelayWindow, PrintBecomesAnOutputLineFromAnyThread) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    Relay relay(host);
    const char* text = "hello from a script";
    std::thread script(
        [&] { relay.Send("OB_PRINT", reinterpret_cast<msg::LPARAM>(text), relay.session); });
    script.join();
    ASSERT_TRUE(host.PumpUntil([&] { return !host.Lines().empty(); }));
    EXPECT_EQ(host.Lines().front(), "hello from a script");
}

TEST(RelayWindow, UpdateJoinsItsFourTextsWithCarriageReturns) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    Relay relay(host);
    engine::RelayUpdate update{"item", "value", "attr", "attrval"};
    relay.Send("OB_UPDATE", reinterpret_cast<msg::LPARAM>(&update), relay.session);
    ASSERT_TRUE(host.PumpUntil([&] { return !host.events.empty(); }));
    EXPECT_EQ(host.events.front().code, static_cast<std::uint32_t>(OB_EV_UPDATE));
    EXPECT_EQ(host.events.front().text, "item\rvalue\rattr\rattrval");
}

TEST(RelayWindow, ExceptionKindsSetTheScriptErrorState) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    Relay relay(host);
    engine::RelayException returned{0, "-stop"};
    relay.Send("OB_EXCEPTION", reinterpret_cast<msg::LPARAM>(&returned), relay.session);
    EXPECT_EQ(host.Record().scriptErrorText, "-stop");
    EXPECT_EQ(host.Record().scriptErrorState, 3u);

    engine::RelayException raised{1, nullptr};
    relay.Send("OB_EXCEPTION", reinterpret_cast<msg::LPARAM>(&raised), relay.session);
    EXPECT_EQ(host.Record().scriptErrorState, 1u);

    engine::RelayException other{7, "ignored"};
    relay.Send("OB_EXCEPTION", reinterpret_cast<msg::LPARAM>(&other), relay.session);
    EXPECT_EQ(host.Record().scriptErrorState, 1u);
    EXPECT_EQ(host.Record().scriptErrorText, "-stop");
}

TEST(RelayWindow, MessagesWithoutPayloadOrWithAForeignSessionOnlyPassOn) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    Relay relay(host);
    engine::RelayException returned{0, "-stop"};
    relay.Send("OB_EXCEPTION", 0, relay.session);
    relay.Send("OB_PRINT", reinterpret_cast<msg::LPARAM>("x"), 0);
    int notASession = 0;
    relay.Send("OB_EXCEPTION", reinterpret_cast<msg::LPARAM>(&returned),
               reinterpret_cast<msg::WPARAM>(&notASession));
    EXPECT_EQ(host.Record().scriptErrorState, 0u);
    host.PumpFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(host.events.empty());
    // Unregistered messages go to the "STATIC" procedure, which answers 0.
    EXPECT_EQ(msg::SendMessage(relay.window, msg::WM_USER + 1, 0, 0), 0);
}

} // namespace
} // namespace ob::test
