// The system-modal message box: a text, a caption and an OK button, kept above
// other windows, shown with GTK on the calling thread (toolkit_loop.h). The call
// waits for the box to be closed, serving the thread's sends, descriptor watches
// and window timers meanwhile (so the thread's other windows stay alive); posted
// thread messages stay queued and thread timer ticks are skipped, as in a modal
// loop. `keepWaiting` is asked several times a second: when it answers false the
// box is taken down and the call returns Abandoned (the owner is shutting down).
#pragma once

#include "platform/toolkit/toolkit_export.h"
#include "platform/toolkit/toolkit_loop.h"

#include <functional>
#include <string>

namespace ob::toolkit {

enum class MessageBoxResult {
    Closed,    ///< the user closed it (OK, Enter, Escape or the window manager)
    NoDisplay, ///< the toolkit is not available (the reason in `problem`)
    Abandoned, ///< `keepWaiting` said to stop
};

/// How often `keepWaiting` is asked while the box is shown.
inline constexpr unsigned kMessageBoxPollMs = 200;

[[nodiscard]] OB_TOOLKIT_API MessageBoxResult
ShowMessageBox(const std::string& caption, const std::string& text,
               const std::function<bool()>& keepWaiting, std::string& problem);

} // namespace ob::toolkit
