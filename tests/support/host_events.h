// Test support: reading what a session posted to a host window on the test's own
// thread. TakeHostEvents() takes every WM_OBRENTA_EVENT off the queue, copies what
// it carries and hands each record back; OutputLines() joins the 2005 pieces up to
// each 2006; HostLineReader does both across calls and keeps the other events.
// Every fixture that reads events goes through here. Tests that use it link the
// engine's objects (obrenta_engine_objects).
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
/// Other messages stay queued.
std::vector<HostEvent> TakeHostEvents();

/// Output lines (2005 pieces up to each 2006) among `events`.
std::vector<std::string> OutputLines(const std::vector<HostEvent>& events);

/// Events of `code` with number `data` among `events`.
std::size_t CountEvents(const std::vector<HostEvent>& events, std::uint32_t code,
                        std::uintptr_t data = 0);

/// Reads output lines across calls: a line whose end has not arrived yet is kept
/// for the next Read(). Every event other than the output pieces is kept, in order.
class HostLineReader {
public:
    /// Takes the queued events; the output lines they completed.
    std::vector<std::string> Read();
    /// The events other than 2005/2006 read so far.
    const std::vector<HostEvent>& Others() const { return others_; }
    /// Of those, the events of `code` with number `data`.
    std::size_t Count(std::uint32_t code, std::uintptr_t data = 0) const {
        return CountEvents(others_, code, data);
    }
    /// The 2000/1003 script-error reports read so far.
    std::size_t ScriptErrors() const;

private:
    std::string partial_;
    std::vector<HostEvent> others_;
};

} // namespace ob::test
