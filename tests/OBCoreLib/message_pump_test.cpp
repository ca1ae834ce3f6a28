// The runtime object's message pump and timers on the test's own thread queue, the
// handle objects they hand out, and the engine link's messages to a window.

#include "OBCoreLib/automation/handle_table.h"
#include "OBCoreLib/runtime/message_pump.h"
#include "OBCoreLib/runtime/runtime_object.h"
#include "engine/session/relay_protocol.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/thread.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace ob::corelib {
namespace {

using vbscript::Variant;

std::int32_t CallI4(RuntimeObject& object, const char* method, std::vector<Variant> args = {}) {
    return object.Call(method, args).value.ToLong();
}

// Runs `body` on a thread of its own, which has a fresh queue.
void OnFreshThread(const std::function<void()>& body) {
    std::thread thread(body);
    thread.join();
}

TEST(MessagePump, PumpMessageDoesNotWaitAndStopsOnlyForTheStopMessages) {
    OnFreshThread([] {
        RuntimeObject object;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(CallI4(object, "PumpMessage", {Variant::Long(0), Variant::Long(0)}), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
        const struct {
            std::uint32_t message;
            std::int32_t answer;
        } cases[] = {{GM_STOP, 0},    {GM_SUSPEND, 0},     {GM_QUIT, 0},
                     {GM_RESUME, -1}, {GM_TIMECHANGE, -1}, {0x401, -1}};
        for (const auto& c : cases) {
            ASSERT_TRUE(msg::PostThreadMessage(msg::GetCurrentThreadId(), c.message, 0, 0));
            EXPECT_EQ(CallI4(object, "PumpMessage", {Variant::Long(0), Variant::Long(0)}), c.answer)
                << c.message;
        }
        msg::PostQuitMessage(0);
        EXPECT_EQ(CallI4(object, "PumpMessage", {Variant::Long(0), Variant::Long(0)}), 0);
    });
}

TEST(MessagePump, GetMessageCopiesTheMessageIntoAHandleObject) {
    OnFreshThread([] {
        RuntimeObject object;
        ASSERT_TRUE(msg::PostThreadMessage(msg::GetCurrentThreadId(), 0x4CE, 17, -3));
        const std::int32_t handle =
            CallI4(object, "GetMessage", {Variant::Long(0), Variant::Long(0)});
        ASSERT_NE(handle, 0);
        EXPECT_EQ(CallI4(object, "GetMessageId", {Variant::Long(handle)}), 0x4CE);
        EXPECT_EQ(CallI4(object, "GetMessageWParam", {Variant::Long(handle)}), 17);
        EXPECT_EQ(CallI4(object, "GetMessageLParam", {Variant::Long(handle)}), -3);
        EXPECT_EQ(object.Call("DispatchMessage", {Variant::Long(handle)}).status, HResult::Ok);
        EXPECT_EQ(CallI4(object, "FreeHandle", {Variant::Long(handle)}), -1);
        EXPECT_EQ(CallI4(object, "FreeHandle", {Variant::Long(handle)}), 0);
        EXPECT_EQ(CallI4(object, "GetMessageId", {Variant::Long(handle)}), -1);
    });
}

TEST(MessagePump, GetMessageTakesPrivateMessagesFirstAndTurnsQuitIntoGmQuit) {
    OnFreshThread([] {
        RuntimeObject object;
        const msg::ThreadId self = msg::GetCurrentThreadId();
        ASSERT_TRUE(msg::PostThreadMessage(self, 0x0100, 0, 0)); // below the private range
        ASSERT_TRUE(msg::PostThreadMessage(self, 0x7000, 0, 0));
        msg::PostQuitMessage(0);
        std::vector<std::int32_t> ids;
        for (int i = 0; i < 3; ++i) {
            const std::int32_t handle =
                CallI4(object, "GetMessage", {Variant::Long(0), Variant::Long(0)});
            ids.push_back(CallI4(object, "GetMessageId", {Variant::Long(handle)}));
            EXPECT_EQ(CallI4(object, "FreeHandle", {Variant::Long(handle)}), -1);
        }
        // The quit indication overtakes the message outside the private range, as the
        // look without waiting finds it first.
        EXPECT_EQ(ids,
                  (std::vector<std::int32_t>{0x7000, static_cast<std::int32_t>(GM_QUIT), 0x0100}));
    });
}

TEST(MessagePump, ScriptTimersTickThroughGetMessageAndOnlyTheyCanBeKilled) {
    OnFreshThread([] {
        RuntimeObject object;
        // A timer the script did not make (the engine's scheduler tick, say).
        const std::uintptr_t foreign = msg::SetTimer(0, 0, 60000);
        ASSERT_NE(foreign, 0u);
        EXPECT_EQ(
            object.Call("KillTimer", {Variant::Long(static_cast<std::int32_t>(foreign))}).status,
            HResult::False);

        const std::int32_t timer = CallI4(object, "SetTimer", {Variant::Long(10)});
        ASSERT_NE(timer, 0);
        const std::int32_t handle =
            CallI4(object, "GetMessage", {Variant::Long(0), Variant::Long(0)});
        EXPECT_EQ(CallI4(object, "GetMessageId", {Variant::Long(handle)}), 0x113);
        EXPECT_EQ(CallI4(object, "GetMessageWParam", {Variant::Long(handle)}), timer);
        EXPECT_EQ(CallI4(object, "FreeHandle", {Variant::Long(handle)}), -1);
        EXPECT_EQ(CallI4(object, "KillTimer", {Variant::Long(timer)}), -1);
        EXPECT_EQ(object.Call("KillTimer", {Variant::Long(timer)}).status, HResult::False);
        EXPECT_TRUE(msg::KillTimer(0, foreign)) << "the foreign timer survived";
    });
}

TEST(HandleTable, IdsAreNeverZeroNorReusedAndKindsDoNotMix) {
    HandleTable table;
    const auto payload = [] { return std::make_shared<MessagePayload>(msg::Message{}, 0); };
    const std::int32_t first = table.Add(payload());
    const std::int32_t second = table.Add(payload());
    EXPECT_NE(first, 0);
    EXPECT_NE(first, second);
    EXPECT_NE(table.Find(first, HandleKind::Message), nullptr);
    EXPECT_EQ(table.Find(first, HandleKind::Token), nullptr);
    EXPECT_EQ(table.Free(first), HandleTable::FreeResult::Closed);
    EXPECT_EQ(table.Find(first, HandleKind::Message), nullptr);
    EXPECT_EQ(table.Free(first), HandleTable::FreeResult::Unknown);
    const std::int32_t third = table.Add(payload());
    EXPECT_NE(third, first) << "a freed id came back at once";
    EXPECT_EQ(table.Add(nullptr), 0);
    EXPECT_EQ(table.Count(), 2u);
}

// Records what the engine link sends to a window of the test thread.
struct Received {
    std::uint32_t message = 0;
    msg::WPARAM wParam = 0;
    std::vector<std::string> texts;
    std::uint32_t kind = 99;
};
std::vector<Received> received;

msg::LRESULT RecordingProc(msg::Hwnd, std::uint32_t message, msg::WPARAM wParam,
                           msg::LPARAM lParam) {
    const RelayMessageIds& ids = RelayMessages();
    Received r{message, wParam, {}, 99};
    const auto text = [](const char* p) { return p != nullptr ? std::string(p) : "(null)"; };
    if (message == ids.print) {
        r.texts.push_back(text(reinterpret_cast<const char*>(lParam)));
    } else if (message == ids.exception) {
        const auto* record = reinterpret_cast<const engine::RelayException*>(lParam);
        r.kind = record->kind;
        r.texts.push_back(text(record->text));
    } else if (message == ids.update) {
        const auto* record = reinterpret_cast<const engine::RelayUpdate*>(lParam);
        r.texts = {text(record->item), text(record->value), text(record->attribute),
                   text(record->attributeValue)};
    } else if (message != ids.ping) {
        return 0;
    }
    received.push_back(r);
    return 0;
}

TEST(EngineLink, SendsNothingUntilSetupNamesALiveWindow) {
    msg::RegisterClass("CoreLibLinkTest", &RecordingProc);
    const msg::Hwnd window = msg::CreateWindow("CoreLibLinkTest", "link");
    ASSERT_NE(window, 0u);
    received.clear();
    RuntimeObject object;
    const auto s = [](const char* text) { return Variant::String(text); };
    EXPECT_EQ(object.Call("Print", {s("early")}).status, HResult::Ok);
    object.Call("Setup", {Variant::Long(2), Variant::Long(static_cast<std::int32_t>(window))});
    object.Call("Print", {s("still nothing")});
    EXPECT_TRUE(received.empty());

    object.Call("Setup", {Variant::Long(0), Variant::Long(static_cast<std::int32_t>(window))});
    object.Call("Setup", {Variant::Long(1), Variant::Double(140737488355327.0)});
    object.Call("Print", {s("hello")});
    object.Call("Return", {s("stop")});
    object.Call("Raise", {});
    object.Call("AddUpdateInfo", {s("i"), s("v"), s("a"), s("av")});
    const RelayMessageIds& ids = RelayMessages();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[0].message, ids.ping);
    EXPECT_EQ(received[0].wParam, 0u);
    EXPECT_EQ(received[1].texts, std::vector<std::string>{"hello"});
    EXPECT_EQ(received[1].wParam, 140737488355327u) << "the whole context travels";
    EXPECT_EQ(received[2].kind, 0u);
    EXPECT_EQ(received[2].texts, std::vector<std::string>{"stop"});
    EXPECT_EQ(received[3].kind, 1u);
    EXPECT_EQ(received[3].texts, std::vector<std::string>{"(null)"});
    EXPECT_EQ(received[4].texts, (std::vector<std::string>{"i", "v", "a", "av"}));

    msg::DestroyWindow(window);
    received.clear();
    EXPECT_EQ(object.Call("Print", {s("gone")}).status, HResult::Ok);
    EXPECT_TRUE(received.empty()) << "a window that no longer exists is not sent to";
}

} // namespace
} // namespace ob::corelib
