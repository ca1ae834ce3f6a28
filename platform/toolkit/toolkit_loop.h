// The GTK 3 toolkit, served from the platform message loop of the thread that shows
// dialogs (for the engine: the engine thread), so that every dialog operation runs
// on that thread and no loop of the toolkit's own ever blocks it.
//
// GTK lets one thread at a time use it. A thread takes the toolkit with
// AcquireToolkit for each window it opens and gives it back with ReleaseToolkit
// when the window has gone; while it holds it, another thread's AcquireToolkit
// answers Busy. The holder's GetMessage/PeekMessage serve the toolkit: its main
// context's descriptors are watched (AddFdWatch) and its time-outs run from a window
// timer, and each wake-up runs the context's prepare, check and dispatch steps.
//
// GTK is initialised once per process without changing the process's locale. The
// display DISPLAY names is opened by the first dialog and kept, as a program keeps
// its display; it is opened anew when DISPLAY names another display or its server
// has gone (a restarted X server). While no dialog is open its connection is not
// read: what arrives meanwhile is read when the next dialog opens. A display that
// does not answer fails at once (NoDisplay), before GTK touches it.
// When the connection is lost while windows are open, they are told (their
// callbacks registered with OnDisplayLost run) and close.
#pragma once

#include "platform/toolkit/toolkit_export.h"

#include <functional>
#include <string>

namespace ob::toolkit {

enum class ToolkitStatus {
    Ready,
    NoDisplay, ///< no display, or it refused us
    Busy,      ///< another thread holds the toolkit
};

struct ToolkitReady {
    ToolkitStatus status = ToolkitStatus::Ready;
    std::string problem; ///< a sentence for the user when not Ready
};

/// Takes the toolkit for one window of the calling thread (counted).
[[nodiscard]] OB_TOOLKIT_API ToolkitReady AcquireToolkit();
/// Gives back one acquisition; the last one stops serving the toolkit here.
OB_TOOLKIT_API void ReleaseToolkit();

/// Registers a callback run (on the holder's thread) if the display is lost; the
/// id unregisters it. Windows use it to end themselves.
OB_TOOLKIT_API unsigned OnDisplayLost(std::function<void()> callback);
OB_TOOLKIT_API void ForgetDisplayLost(unsigned id);

/// Held while the calling thread works with the toolkit (see XOpenLock in
/// platform/desktop/x_connection.h): every public function of the toolkit library
/// takes it around its GTK calls.
class OB_TOOLKIT_API ToolkitSection {
public:
    ToolkitSection();
    ~ToolkitSection();
    ToolkitSection(const ToolkitSection&) = delete;
    ToolkitSection& operator=(const ToolkitSection&) = delete;
};

/// Runs the toolkit's pending work now (the holder's thread); used by waits that
/// must see a window's answer without returning to the message loop.
OB_TOOLKIT_API void ServeToolkit();

} // namespace ob::toolkit
