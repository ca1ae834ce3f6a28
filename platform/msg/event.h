// Kernel-style events: manual reset (stays set until Reset) or automatic reset (a
// successful wait resets it). Pulse releases the threads waiting at that moment and
// leaves the event reset; a thread that starts waiting after the pulse is not
// released by it (a pulse is a generation count, not set-then-reset). Any thread.
#pragma once

#include "platform/export.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ob::msg {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

class OB_PLATFORM_API Event {
public:
    enum class Reset { Manual, Automatic };

    explicit Event(Reset mode, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void ResetEvent();
    void Pulse();
    /// True when the event was set (or pulsed) within `timeoutMs` (kInfinite: no limit).
    bool Wait(std::uint32_t timeoutMs);
    bool IsSet() const;
    /// Threads inside Wait at this moment (for diagnostics and tests).
    std::uint32_t WaiterCount() const;

private:
    const Reset mode_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
    std::uint64_t pulses_ = 0;   // generation: bumped by every Pulse
    std::uint32_t waiters_ = 0;  // threads inside Wait
    std::uint32_t released_ = 0; // automatic reset: waiters a pulse may still release
};

} // namespace ob::msg
