// The runtime object's message and timer pump on the calling thread's queue
// (platform/msg): scripts wait for timer ticks and for the engine's messages, and
// read what they got through message objects (handle kind 205).
//
// GetMessage first takes a message numbered 0x400-0x7FFF without waiting, else
// waits for any message; the quit indication (or a closed queue) becomes a message
// object with id GM_QUIT (0x4D1) and every other field 0. PumpMessage takes at most
// one message without waiting (-1 when there is none), answers 0 for WM_QUIT,
// GM_STOP, GM_SUSPEND and GM_QUIT, else -1, and dispatches it either way. SetTimer
// starts a thread timer (WM_TIMER with the id as WPARAM); KillTimer stops only
// timers that SetTimer made on the same thread, so a script cannot stop the
// engine's scheduler tick by naming its id. Thread of the calling script.
#pragma once

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/automation/handle_table.h"

#include "platform/msg/message.h"

#include <cstdint>

namespace ob::corelib {

inline constexpr std::uint32_t GM_SUSPEND = 0x4CD;
inline constexpr std::uint32_t GM_RESUME = 0x4CE;
inline constexpr std::uint32_t GM_STOP = 0x4CF;
inline constexpr std::uint32_t GM_TIMECHANGE = 0x4D0;
inline constexpr std::uint32_t GM_QUIT = 0x4D1;

/// A copied message: window, id, parameters, the time it was taken off the queue
/// (milliseconds of the monotonic clock) and the point (always 0 here: there is no
/// cursor position to record).
class MessagePayload final : public HandlePayload {
public:
    static constexpr HandleKind kKind = HandleKind::Message;
    explicit MessagePayload(const msg::Message& message, std::uint32_t time)
        : message_(message), time_(time) {}
    HandleKind Kind() const override { return kKind; }
    const msg::Message& Message() const { return message_; }
    std::uint32_t Time() const { return time_; }

private:
    msg::Message message_;
    std::uint32_t time_;
};

/// A new message object (always S_OK; 0 only when the handle table is full).
I4Result GetMessageObject();
I4Result PumpMessage();
I4Result SetThreadTimer(std::int32_t elapseMs);
I4Result KillThreadTimer(std::int16_t id);

/// GetMessageId / WParam / LParam: S_FALSE (and -1 for the id, 0 otherwise) when
/// the handle is no message object.
I4Result MessageId(std::int32_t handle);
I4Result MessageWParam(std::int32_t handle);
I4Result MessageLParam(std::int32_t handle);
/// Dispatches the copied message; S_FALSE when the handle is no message object.
I4Result DispatchMessageObject(std::int32_t handle);

} // namespace ob::corelib
