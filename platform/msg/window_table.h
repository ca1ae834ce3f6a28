// What the queue side needs of the window table (internal to the platform library).
#pragma once

#include "platform/msg/message.h"
#include "platform/msg/thread_queue.h"

#include <memory>

namespace ob::msg::detail {

/// Queue of a valid window's owner thread, null when the window is not valid.
std::shared_ptr<ThreadQueue> WindowQueue(Hwnd hwnd);

/// Current procedure of a window owned by `thread`; nullptr when the window is not
/// valid or belongs to another thread.
WindowProc OwnedWindowProc(Hwnd hwnd, ThreadId thread);

/// Removes every window of a thread that is ending, without calling procedures.
void DropThreadWindows(ThreadId thread);

} // namespace ob::msg::detail
