#include "OBCoreLib/runtime/message_pump.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/thread_timer.h"

#include <chrono>
#include <memory>
#include <unordered_set>

namespace ob::corelib {
namespace {

constexpr std::uint32_t kFirstPrivateMessage = 0x400;
constexpr std::uint32_t kLastPrivateMessage = 0x7FFF;

// The timers SetTimer made on this thread.
thread_local std::unordered_set<std::uintptr_t> scriptTimers;

std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::shared_ptr<MessagePayload> FindMessage(std::int32_t handle) {
    return HandleTable::Process().FindAs<MessagePayload>(handle);
}

} // namespace

I4Result GetMessageObject() {
    msg::Message message;
    // The quit indication comes whatever the range asked for: from the look
    // without waiting as from the wait, it is the one message GM_QUIT.
    bool quit = false;
    if (msg::PeekMessage(message, kFirstPrivateMessage, kLastPrivateMessage, msg::PM_REMOVE)) {
        quit = message.message == msg::WM_QUIT;
    } else {
        quit = msg::GetMessage(message) <= 0;
    }
    std::uint32_t time = TickCount();
    if (quit) {
        message = msg::Message{};
        message.message = GM_QUIT;
        time = 0;
    }
    return {HResult::Ok,
            HandleTable::Process().Add(std::make_shared<MessagePayload>(message, time))};
}

I4Result PumpMessage() {
    msg::Message message;
    if (!msg::PeekMessage(message, 0, 0, msg::PM_REMOVE)) {
        return {HResult::Ok, -1};
    }
    const std::uint32_t id = message.message;
    const bool stop = id == msg::WM_QUIT || id == GM_STOP || id == GM_SUSPEND || id == GM_QUIT;
    msg::DispatchMessage(message);
    return {HResult::Ok, stop ? 0 : -1};
}

I4Result SetThreadTimer(std::int32_t elapseMs) {
    const std::uintptr_t id = msg::SetTimer(0, 0, static_cast<std::uint32_t>(elapseMs));
    if (id == 0) {
        return {HResult::Ok, 0};
    }
    scriptTimers.insert(id);
    return {HResult::Ok, static_cast<std::int32_t>(id)};
}

I4Result KillThreadTimer(std::int16_t id) {
    const auto timer = static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id));
    if (scriptTimers.erase(timer) == 0) {
        return {HResult::False, 0};
    }
    return {HResult::Ok, Truth(msg::KillTimer(0, timer))};
}

I4Result MessageId(std::int32_t handle) {
    const auto payload = FindMessage(handle);
    if (!payload) {
        return {HResult::False, -1};
    }
    return {HResult::Ok, static_cast<std::int32_t>(payload->Message().message)};
}

I4Result MessageWParam(std::int32_t handle) {
    const auto payload = FindMessage(handle);
    if (!payload) {
        return {HResult::False, 0};
    }
    return {HResult::Ok, static_cast<std::int32_t>(payload->Message().wParam)};
}

I4Result MessageLParam(std::int32_t handle) {
    const auto payload = FindMessage(handle);
    if (!payload) {
        return {HResult::False, 0};
    }
    return {HResult::Ok, static_cast<std::int32_t>(payload->Message().lParam)};
}

I4Result DispatchMessageObject(std::int32_t handle) {
    const auto payload = FindMessage(handle);
    if (!payload) {
        return {HResult::False, 0};
    }
    msg::DispatchMessage(payload->Message());
    return {HResult::Ok, 0};
}

} // namespace ob::corelib
