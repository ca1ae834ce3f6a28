// Message types shared by the queue, window and timer facilities.
//
// A window handle (`Hwnd`) is a small id in a process-wide table, never an address:
// a stale handle fails the validity test instead of being dereferenced. 0 is no window.
#pragma once

#include <cstdint>

namespace ob::msg {

using Hwnd = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ThreadId = std::uint32_t;

/// Window procedure: called on the window's owner thread.
using WindowProc = LRESULT (*)(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

struct Message {
    Hwnd hwnd = 0; ///< target window, 0 for a thread message
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Message numbers the platform itself generates or understands.
inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t WM_REGISTERED_FIRST = 0xC000;
inline constexpr std::uint32_t WM_REGISTERED_LAST = 0xFFFF;

// PeekMessage removal flags.
inline constexpr unsigned PM_NOREMOVE = 0;
inline constexpr unsigned PM_REMOVE = 1;

} // namespace ob::msg
