// Events from the engine to the host: records, sequence numbers, flow control.

#include "test_host.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"

#include <gtest/gtest.h>

#include <thread>

namespace ob::test {
namespace {

// Makes the engine thread (not the creator) print `count` lines through the relay.
void PrintFromEngineThread(TestHost& host, int count) {
    const msg::Hwnd relay = host.Record().relayWindow;
    const auto session = reinterpret_cast<msg::WPARAM>(host.Session());
    const std::uint32_t print = msg::RegisterWindowMessage("OB_PRINT");
    std::thread script([=] {
        for (int i = 0; i < count; ++i) {
            const std::string text = "line " + std::to_string(i);
            msg::SendMessage(relay, print, session, reinterpret_cast<msg::LPARAM>(text.c_str()));
        }
    });
    script.join();
}

TEST(EventFlow, RecordsCarryCookieSessionSequenceAndPendingCount) {
    TestHost host(false);
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    PrintFromEngineThread(host, 3);
    ASSERT_TRUE(host.PumpUntil([&] { return host.kept.size() >= 6; }));
    for (std::size_t i = 0; i < host.kept.size(); ++i) {
        EXPECT_EQ(host.kept[i]->cookie, 77u);
        EXPECT_EQ(host.kept[i]->session, host.Session());
        EXPECT_EQ(host.kept[i]->pending, static_cast<std::uint32_t>(i))
            << "nothing acknowledged yet";
        if (i > 0) {
            EXPECT_EQ(host.kept[i]->sequence, host.kept[i - 1]->sequence + 1);
        }
    }
    std::uint32_t pending = 0;
    OB_GetParam(host.Session(), OB_PARAM_PENDING, &pending);
    EXPECT_EQ(pending, 6u);
    host.AckKept();
    OB_GetParam(host.Session(), OB_PARAM_PENDING, &pending);
    EXPECT_EQ(pending, 0u);
    EXPECT_EQ(host.Record().acknowledged.load(), 6u);
}

TEST(EventFlow, AnEventIsAcknowledgedOnlyOnce) {
    TestHost host(false);
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    PrintFromEngineThread(host, 1);
    ASSERT_TRUE(host.PumpUntil([&] { return host.kept.size() >= 2; }));
    EngineEvent* first = host.kept.front();
    EXPECT_EQ(OB_AckMessage(host.Session(), first), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(OB_AckMessage(host.Session(), first), static_cast<std::uint32_t>(OB_INVALID));
    host.kept.erase(host.kept.begin());
}

TEST(EventFlow, RecordsStayReadableAndReturnableAfterTheirSessionIsDestroyed) {
    TestHost host(false);
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    PrintFromEngineThread(host, 2);
    ASSERT_TRUE(host.PumpUntil([&] { return host.kept.size() >= 4; }));
    OB_SESSION old = host.Session();
    ASSERT_EQ(OB_DestroySession(&host.Session()), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(host.kept[0]->data)), "line 0");
    for (EngineEvent* e : host.kept) {
        EXPECT_EQ(OB_AckMessage(old, e), static_cast<std::uint32_t>(OB_OK));
    }
    host.kept.clear();
}

TEST(EventFlow, PostersOtherThanTheCreatorWaitWhile204EventsArePending) {
    TestHost host(false);
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    // 110 lines are 220 events; the host acknowledges none of them.
    PrintFromEngineThread(host, 110);
    ASSERT_TRUE(host.PumpUntil([&] { return host.kept.size() >= 220; }));
    for (std::size_t i = 0; i < host.kept.size(); ++i) {
        if (host.kept[i]->pending < 204) {
            EXPECT_EQ(host.kept[i]->spins, 0u) << i;
        } else {
            EXPECT_GT(host.kept[i]->spins, 0u) << "a poster at the limit waited first, event " << i;
        }
    }
}

TEST(EventFlow, StrictFlowControlWaitsForEveryEvent) {
    TestHost host(true);
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    OB_SetParam(host.Session(), OB_PARAM_STEP, 4);
    // A host that acknowledges at once: with mode 4 each poster waits for pending 0,
    // so no record is ever posted with another one outstanding for long; all arrive.
    std::thread printer([&] { PrintFromEngineThread(host, 50); });
    ASSERT_TRUE(host.PumpUntil([&] { return host.Lines().size() >= 50; }));
    printer.join();
    EXPECT_EQ(host.Lines().back(), "line 49");
}

TEST(EventFlow, EventsToAHostWindowThatIsGoneAreReleased) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    host.Record().hostWindow = 0; // as if the host window were destroyed
    PrintFromEngineThread(host, 5);
    std::uint32_t pending = 99;
    OB_GetParam(host.Session(), OB_PARAM_PENDING, &pending);
    EXPECT_EQ(pending, 0u);
    EXPECT_EQ(host.Record().acknowledged.load(), 10u);
}

} // namespace
} // namespace ob::test
