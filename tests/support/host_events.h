// Test support: reading what a session posted to a host window on the test's own
// thread. Events() takes every WM_OBRENTA_EVENT off the queue, copies what it
// carries and hands each record back; Lines() joins the 2005 pieces up to each 2006.
// Tests that use it link the engine's objects (obrenta_engine_objects).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ob::test {

struct HostEvent {
    std::uint32_t code = 0;
    std::uintptr_t data = 0; ///< the number, when the event carries no text
    std::string text;        ///< the text, when it carries one
    bool owned = false;      ///< the event carried a text
};

/// Takes every engine event queued for the calling thread and releases its record.
std::vector<HostEvent> TakeHostEvents();

/// Output lines (2005 pieces up to each 2006) among `events`.
std::vector<std::string> OutputLines(const std::vector<HostEvent>& events);

/// Events of `code` with number `data` among `events`.
std::size_t CountEvents(const std::vector<HostEvent>& events, std::uint32_t code,
                        std::uintptr_t data = 0);

/// Reads output lines across calls: a line whose end has not arrived yet is kept
/// for the next Read(). Also counts the 2000/1003 script-error reports.
class HostLineReader {
public:
    std::vector<std::string> Read();
    std::size_t ScriptErrors() const { return scriptErrors_; }

private:
    std::string partial_;
    std::size_t scriptErrors_ = 0;
};

} // namespace ob::test
