// A connection to the X display named by the DISPLAY variable (of the process
// environment table, so a job's -set DISPLAY=:1 counts), opened for one desktop
// operation and closed with it.
//
// Opening never hangs: before Xlib connects, the display's socket is probed with a
// time-out (a TCP display on an unreachable host would otherwise wait minutes),
// and without DISPLAY, or when nothing listens, the open fails at once. Xlib's
// error handlers are replaced, once per process, by ones that never end the
// process: protocol errors of our connections are recorded on the connection (see
// ErrorTrap), those of other connections (the toolkit's) go to the handler that was
// installed before; a lost connection marks it dead instead of calling exit().
// A connection is used by one thread at a time.
#pragma once

#include "platform/desktop/desktop_export.h"

#include <chrono>
#include <mutex>
#include <string>

// Xlib's display record, declared as Xlib does, so that this header does not
// bring in Xlib's macros (None, Bool, Status...).
struct _XDisplay;

namespace ob::desktop {

using Display = ::_XDisplay;

enum class DisplayStatus {
    Ok,
    NotSet,      ///< no DISPLAY variable, or an empty one
    Unreachable, ///< nothing answers at the display's socket (refused, missing, time-out)
    Refused,     ///< the server answered but Xlib could not open it (authorization)
};

/// How long the socket probe waits for a connection.
inline constexpr std::chrono::milliseconds kProbeTimeout{3000};

class OB_DESKTOP_API XConnection {
public:
    XConnection() = default;
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    /// Opens the display that DISPLAY names; on failure `Problem()` says why.
    DisplayStatus Open();

    Display* Get() const { return display_; }
    /// False once the server was lost or never connected.
    bool Alive() const;
    /// A sentence on why Open failed, for messages ("DISPLAY is not set.").
    const std::string& Problem() const { return problem_; }

private:
    Display* display_ = nullptr;
    std::string problem_;
};

/// Records the protocol errors of one connection between its construction and
/// Failed(): requests that may name a window that has just gone (the walk, the
/// activation) run inside one. The requests are synchronised before the test.
class OB_DESKTOP_API ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    /// Syncs with the server and tells whether an error arrived since the last call
    /// (or the construction); clears the record.
    bool Failed();

private:
    Display* display_;
};

/// The display name DISPLAY holds, empty when unset.
OB_DESKTOP_API std::string DisplayName();

/// Probes the socket of a display name ("[host]:N[.S]", "unix:N", "tcp/host:N");
/// true when something accepts a connection within `timeout`. `problem` says why not.
OB_DESKTOP_API bool ProbeDisplaySocket(const std::string& name, std::chrono::milliseconds timeout,
                                       std::string& problem);

/// Serialises opening X connections with the toolkit's work on its own connection.
/// Xlib holds its process-wide lock while a new connection waits for the server's
/// greeting, and GTK sometimes grabs the server and then needs that lock (to set an
/// error handler): without this lock, another thread opening a display while GTK
/// holds a grab would wait for the server for ever, and GTK for it. Recursive.
OB_DESKTOP_API std::recursive_mutex& XOpenLock();

/// Installs the process's non-exiting Xlib error handlers (idempotent; also used
/// by the toolkit after it opened its display, since it installs its own).
OB_DESKTOP_API void InstallErrorHandlers();

/// Marks a display as ours: its loss leaves it dead instead of ending the process,
/// and with `recordErrors` its protocol errors are recorded for ErrorTrap (the
/// toolkit's display keeps its own error handling).
OB_DESKTOP_API void AdoptDisplay(Display* display, bool recordErrors);
/// Ends the record of a display before it is closed.
OB_DESKTOP_API void ForgetDisplay(Display* display);
/// True when the connection of a display was lost (recorded for adopted displays
/// and for any display whose loss our handler saw).
OB_DESKTOP_API bool DisplayLost(Display* display);

} // namespace ob::desktop
