/* What a host program needs besides the exports of obrenta.h: a window with its
 * procedure on the host's thread (the engine posts WM_OBRENTA_EVENT to it), the
 * message loop that delivers those events, descriptor watches that the same loop
 * serves, and the id of WM_OBRENTA_EVENT. Everything here is exported by
 * libobrenta; a host needs no other header of the project.
 *
 * Windows and messages belong to the thread that creates them: create the window,
 * get, peek and dispatch on the thread that called OB_CreateSession. A window
 * handle is a small number, never an address; 0 is no window.
 */
#ifndef OBRENTA_HOST_H
#define OBRENTA_HOST_H

#include "obrenta/obrenta.h"

#include <cstdint>
#include <functional>

namespace ob::host {

using Hwnd = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

/// A window procedure, called on the window's thread for every message sent or
/// dispatched to the window.
using WindowProc = LRESULT (*)(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

/// One message taken from the calling thread's queue.
struct Message {
    Hwnd hwnd = 0; ///< the target window, 0 for a thread message
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

/// Name of the registered message that carries engine events.
inline constexpr const char* kEventMessageName = "WM_OBRENTA_EVENT";

/// Id of WM_OBRENTA_EVENT in this process (WPARAM 0, LPARAM the EngineEvent).
OB_EXPORT std::uint32_t EventMessage();

/// Registers a window class whose windows call `proc`; false when the name is
/// taken by another procedure.
OB_EXPORT bool RegisterClass(const char* className, WindowProc proc);
/// Creates a window of a registered class on the calling thread, carrying
/// `userData` (GetWindowUserData); 0 on failure.
OB_EXPORT Hwnd CreateWindow(const char* className, const char* title, std::uintptr_t userData);
/// Destroys a window of the calling thread.
OB_EXPORT bool DestroyWindow(Hwnd hwnd);
OB_EXPORT std::uintptr_t GetWindowUserData(Hwnd hwnd);
/// What a window procedure returns for a message it does not handle itself.
OB_EXPORT LRESULT DefWindowProc(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

/// Waits up to `timeoutMs` for a message of the calling thread: 1 with `out`
/// filled, 0 after PostQuitMessage, -1 when the time ran out. Descriptor watches
/// run while it waits.
OB_EXPORT int GetMessageTimeout(Message& out, std::uint32_t timeoutMs);
/// Takes (when `remove`) or reads the first queued message in [filterMin,
/// filterMax] (0, 0: any) without waiting; false when there is none.
OB_EXPORT bool PeekMessage(Message& out, std::uint32_t filterMin, std::uint32_t filterMax,
                           bool remove);
/// Calls the target window's procedure.
OB_EXPORT LRESULT DispatchMessage(const Message& message);
/// Makes the thread's next GetMessageTimeout return 0.
OB_EXPORT void PostQuitMessage(int exitCode);

/// Calls `onReadable` on the calling thread, from inside its message waits, while
/// `fd` is readable; the id for RemoveFdWatch, 0 on failure.
OB_EXPORT std::uint32_t AddFdWatch(int fd, std::function<void()> onReadable);
OB_EXPORT void RemoveFdWatch(std::uint32_t watchId);

} // namespace ob::host

#endif /* OBRENTA_HOST_H */
