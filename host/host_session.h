// The host side of one engine session: a window on the main thread that receives
// the engine's events, turns 2005/2006 pieces into output lines on standard output
// (also handed to OB_LogOutput and, after a 2007, appended to the chosen log
// file), reports other events on standard error as "event CODE DATA", and runs the
// message loop until a stop condition. Main thread only.
#pragma once

#include "obrenta/obrenta.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

namespace ob::host {

struct StopConditions {
    std::optional<std::uint32_t> seconds; ///< stop after this long
    bool whenIdle = false;                ///< stop at the first 2000/1005
};

class HostSession {
public:
    HostSession(std::ostream& out, std::ostream& err);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    /// Creates the window and the session; false (with a message) when start-up failed.
    bool Start();
    /// OB_LoadCronScript; the engine's own messages arrive as events.
    bool Load(const std::string& path);
    void Enable();
    /// Runs the message loop until quit (2001), a stop condition or SIGINT/SIGTERM.
    void Run(const StopConditions& stop);
    /// Handles the events already queued without waiting.
    void Drain();
    /// Destroys the session (idempotent).
    void Stop();
    /// The session, for the exports a command calls itself; null when stopped.
    OB_SESSION Handle() const { return session_; }

private:
    static std::intptr_t WindowProc(std::uintptr_t hwnd, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam);
    void OnEvent(EngineEvent* event);
    /// "event CODE DATA" on standard error: every event but the output pieces.
    void ReportEvent(const EngineEvent& event, const char* text);
    void EndLine();

    std::ostream& out_;
    std::ostream& err_;
    std::uintptr_t window_ = 0;
    OB_SESSION session_ = nullptr;
    /// The session being destroyed by Stop(), whose last events are still shown.
    OB_SESSION closing_ = nullptr;
    std::string line_;
    std::ofstream logFile_;
    bool quit_ = false;
    bool idle_ = false;
    bool stopOnIdle_ = false;
};

} // namespace ob::host
