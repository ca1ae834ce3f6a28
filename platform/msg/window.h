// In-process windows: message targets with an owner thread, a class, a title,
// a procedure (which can be subclassed) and one pointer-sized user-data slot.
//
// A window belongs to the thread that created it; its procedure runs only on that
// thread (DispatchMessage, SendMessage). Lookups and the validity test may be made
// from any thread. Windows of a thread that ends are destroyed with it.
#pragma once

#include "platform/export.h"
#include "platform/msg/message.h"

#include <functional>
#include <string>
#include <string_view>

namespace ob::msg {

/// The predefined class that every process has.
inline constexpr std::string_view kStaticClass = "STATIC";

/// Registers a window class with its procedure. Names compare without regard to
/// case. False when the name is taken. "STATIC" is registered by the platform.
OB_PLATFORM_API bool RegisterClass(std::string_view className, WindowProc proc);

/// The procedure of a class (nullptr when the class is unknown).
OB_PLATFORM_API WindowProc GetClassProc(std::string_view className);

/// Creates a window owned by the calling thread (creating its queue). The procedure
/// receives WM_CREATE; answering -1 refuses the window (it then receives
/// WM_DESTROY). Returns 0 when the class is unknown or the window was refused.
OB_PLATFORM_API Hwnd CreateWindow(std::string_view className, std::string_view title,
                                  std::uintptr_t userData = 0);

/// Sends WM_DESTROY and removes the window. Only the owner thread may destroy a
/// window; false otherwise or when the handle is not valid.
OB_PLATFORM_API bool DestroyWindow(Hwnd hwnd);

OB_PLATFORM_API bool IsWindow(Hwnd hwnd);
/// Owner thread of a window, 0 when not valid.
OB_PLATFORM_API ThreadId GetWindowThreadId(Hwnd hwnd);

/// First window with this class and title (both without regard to case); 0 if none.
/// An empty class or title matches any.
OB_PLATFORM_API Hwnd FindWindow(std::string_view className, std::string_view title);

/// Calls `visit` for each window of a thread, in creation order, until it returns false.
/// The list is taken first, so the callback may destroy windows.
OB_PLATFORM_API void EnumThreadWindows(ThreadId thread, const std::function<bool(Hwnd)>& visit);

/// Replaces the window's procedure (subclassing) and returns the previous one;
/// nullptr (and no change) for an invalid window or a null procedure.
OB_PLATFORM_API WindowProc SetWindowProc(Hwnd hwnd, WindowProc proc);
OB_PLATFORM_API WindowProc GetWindowProc(Hwnd hwnd);
/// Calls a procedure (typically the one SetWindowProc returned); 0 for nullptr or
/// when the procedure throws.
OB_PLATFORM_API LRESULT CallWindowProc(WindowProc proc, Hwnd hwnd, std::uint32_t message,
                                       WPARAM wParam, LPARAM lParam);
/// Default handling: WM_CLOSE destroys the window; everything else returns 0.
OB_PLATFORM_API LRESULT DefWindowProc(Hwnd hwnd, std::uint32_t message, WPARAM wParam,
                                      LPARAM lParam);

OB_PLATFORM_API std::uintptr_t GetWindowUserData(Hwnd hwnd);
OB_PLATFORM_API void SetWindowUserData(Hwnd hwnd, std::uintptr_t data);
OB_PLATFORM_API std::string GetWindowText(Hwnd hwnd);
OB_PLATFORM_API bool SetWindowText(Hwnd hwnd, std::string_view title);
OB_PLATFORM_API std::string GetClassName(Hwnd hwnd);

} // namespace ob::msg
