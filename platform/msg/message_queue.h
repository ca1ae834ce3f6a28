// Per-thread message queues.
//
// A thread's queue is created by its first queue call (any function below that acts
// on "the calling thread", or EnsureQueue) and destroyed when the thread ends; then
// every send still waiting for it fails with result 0, and the thread's windows are
// destroyed (without calling their procedures: the thread is already ending).
//
// Sent messages: SendMessage to a window of another thread blocks the sender until
// the owner thread has run the window procedure. While a thread waits inside
// GetMessage, PeekMessage or its own SendMessage, it serves the sends that arrive
// for its windows, so two threads that send to each other do not deadlock.
//
// Order of delivery in GetMessage/PeekMessage: incoming sends (served, not
// returned), posted messages in order, then WM_QUIT once the posted messages are
// gone, then due thread timers (Thread timers: thread_timer.h).
//
// Window procedures and watch callbacks must not throw: an exception is caught at
// the call and counts as result 0.
//
// Every function may be called from any thread unless its comment says otherwise.
#pragma once

#include "platform/export.h"
#include "platform/msg/message.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace ob::msg {

/// The calling thread's id (the kernel thread id; stable for the thread's life).
OB_PLATFORM_API ThreadId GetCurrentThreadId();

/// Creates the calling thread's queue if it does not exist yet.
OB_PLATFORM_API void EnsureQueue();

/// Posts a thread message (no window). False when the thread has no queue (a post
/// to the calling thread creates its queue) or holds 10000 posted messages already.
OB_PLATFORM_API bool PostThreadMessage(ThreadId thread, std::uint32_t message, WPARAM wParam,
                                       LPARAM lParam);

/// Posts a message to a window's owner thread. False when the window is not valid
/// or its owner's queue is full.
OB_PLATFORM_API bool PostMessage(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

/// Sends a message: on the owner thread the procedure is called directly; from
/// another thread the caller blocks (serving its own incoming sends) until the
/// owner has handled it. Returns the procedure's result, 0 for an invalid window
/// or when the owner thread ended before handling it.
OB_PLATFORM_API LRESULT SendMessage(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam);

/// As SendMessage, but gives up after `timeoutMs` (the send is then withdrawn if
/// the owner has not started on it; kInfinite: no limit). Returns false on time-out,
/// invalid window or when the owner thread ended first.
OB_PLATFORM_API bool SendMessageTimeout(Hwnd hwnd, std::uint32_t message, WPARAM wParam,
                                        LPARAM lParam, std::uint32_t timeoutMs, LRESULT* result);

/// Blocks until a message for the calling thread is available. `filterMin`/`filterMax`
/// (both 0: no filter) restrict the message numbers returned (WM_QUIT is returned
/// whatever the filter). Returns 0 for WM_QUIT (from PostQuitMessage or posted as a
/// thread message), 1 otherwise, -1 when the thread's queue is already closed.
OB_PLATFORM_API int GetMessage(Message& out, std::uint32_t filterMin = 0,
                               std::uint32_t filterMax = 0);

/// As GetMessage (no filter) but waits at most `timeoutMs` (kInfinite of event.h:
/// no limit);
/// returns -1 on time-out.
OB_PLATFORM_API int GetMessageTimeout(Message& out, std::uint32_t timeoutMs);

/// Looks for a message without blocking. With PM_REMOVE the message is taken off
/// the queue. Returns true when one was found.
OB_PLATFORM_API bool PeekMessage(Message& out, std::uint32_t filterMin, std::uint32_t filterMax,
                                 unsigned removeFlags);

/// Calls the target window's procedure for a window message; returns its result,
/// 0 for a thread message or an invalid window. Only on the calling thread's own
/// windows (others are ignored).
OB_PLATFORM_API LRESULT DispatchMessage(const Message& message);

/// Makes the calling thread's GetMessage return 0 once its posted messages are gone.
OB_PLATFORM_API void PostQuitMessage(int exitCode);

/// Watches a descriptor from the calling thread's queue wait: whenever `fd` is
/// readable, GetMessage/PeekMessage call `onReadable` on this thread (before
/// looking at posted messages). The callback must consume what made the
/// descriptor readable (hang-up and error conditions count as readable). A
/// descriptor closed while still watched is dropped from the watch. Returns a watch
/// id for RemoveFdWatch (0 on failure).
OB_PLATFORM_API std::uint32_t AddFdWatch(int fd, std::function<void()> onReadable);
/// Ends a watch. From the watching thread (a callback included) the callback is not
/// called again; from another thread, a call already running is not waited for.
OB_PLATFORM_API void RemoveFdWatch(std::uint32_t watchId);

/// Number of messages posted to the calling thread and not yet retrieved.
OB_PLATFORM_API std::size_t PendingMessageCount();

} // namespace ob::msg
