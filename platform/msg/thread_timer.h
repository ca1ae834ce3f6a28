// Timers that deliver WM_TIMER through a thread's queue.
//
// A timer is due every `intervalMs` on the monotonic clock. Its WM_TIMER is
// generated only when GetMessage/PeekMessage finds no posted message, and at most
// one is pending per timer: a thread that was busy for several intervals receives
// one tick afterwards, then ticks resume on the interval from that delivery.
// Timers belong to the calling thread (thread timers, hwnd 0) or to a window of the
// calling thread (delivered to that window with its id).
#pragma once

#include "platform/export.h"
#include "platform/msg/message.h"

#include <cstdint>

namespace ob::msg {

/// Starts or restarts a timer. For a thread timer (hwnd 0) an `id` that names a
/// timer of the calling thread restarts that timer; any other `id` is ignored and a
/// new id is returned. For a window timer (a window of the calling thread) the given
/// id, which must not be 0, is used and returned. The message is WM_TIMER with
/// wParam = id. Returns 0 on failure (interval 0 counts as 1 ms).
OB_PLATFORM_API std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t intervalMs);

/// Stops a timer of the calling thread and removes its pending tick. False if unknown.
OB_PLATFORM_API bool KillTimer(Hwnd hwnd, std::uintptr_t id);

} // namespace ob::msg
