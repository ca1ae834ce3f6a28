// The windows of the X display: the walk in Z order with titles and classes, the
// active window, and activation. Each call works on a connection of the calling
// thread (x_connection.h).
#pragma once

#include "platform/desktop/desktop_export.h"
#include "platform/desktop/x_connection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::desktop {

using WindowId = std::uint64_t;

struct DesktopWindow {
    WindowId id = 0;
    std::string title;     ///< _NET_WM_NAME (UTF-8), else WM_NAME converted to UTF-8
    std::string className; ///< the class part of WM_CLASS, at most 255 bytes
};

/// Longest title read; the rest of a longer one is left out.
inline constexpr std::size_t kMaxTitleBytes = 65536;

/// Every window below the root, depth first: the top-level windows from the top of
/// the Z order down, each window before its children (again top first). Under a
/// reparenting window manager a program's window comes after the manager's frame
/// around it. Windows that vanish during the walk are left out.
OB_DESKTOP_API std::vector<DesktopWindow> WalkWindows(XConnection& connection);

/// The window the window manager reports active (_NET_ACTIVE_WINDOW), else the
/// window holding the keyboard focus; 0 when there is none.
OB_DESKTOP_API WindowId ActiveWindow(XConnection& connection);

enum class Activation {
    Activated,
    NoSuchWindow, ///< the id names no window
    NotShown,     ///< the window is not mapped, so it cannot take the focus
};

/// Brings a window to the front and gives it the keyboard focus. The program's
/// window (the one holding WM_STATE) is asked for: a frame, or a child window, is
/// taken to the program's window it belongs to. With a window manager that supports
/// _NET_ACTIVE_WINDOW the request goes through it (as a pager's would) and is
/// waited for up to `kActivationWaitMs` (active, focused and on top of its
/// stacking list); without one, or when it does not follow,
/// the window is raised and given the focus directly.
OB_DESKTOP_API Activation ActivateWindow(XConnection& connection, WindowId window);

inline constexpr int kActivationWaitMs = 2500;

} // namespace ob::desktop
