#include "support/host_events.h"

#include "engine/session/event_poster.h"
#include "obrenta/host.h"

#include <algorithm>

namespace ob::test {

std::vector<HostEvent> TakeHostEvents() {
    std::vector<HostEvent> events;
    const std::uint32_t eventMessage = host::EventMessage();
    host::Message m;
    while (host::PeekMessage(m, eventMessage, eventMessage, true)) {
        auto* event = reinterpret_cast<EngineEvent*>(m.lParam);
        HostEvent e;
        e.code = event->code;
        if (event->ownsText != 0) {
            e.text = reinterpret_cast<const char*>(event->data);
            e.owned = true;
        } else {
            e.data = event->data;
        }
        events.push_back(std::move(e));
        engine::ReleaseEvent(event);
    }
    return events;
}

std::vector<std::string> OutputLines(const std::vector<HostEvent>& events) {
    std::vector<std::string> lines;
    std::string current;
    for (const HostEvent& e : events) {
        if (e.code == OB_EV_TEXT) {
            current += e.text;
        } else if (e.code == OB_EV_EOL) {
            lines.push_back(current);
            current.clear();
        }
    }
    return lines;
}

std::size_t CountEvents(const std::vector<HostEvent>& events, std::uint32_t code,
                        std::uintptr_t data) {
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(),
                      [&](const HostEvent& e) { return e.code == code && e.data == data; }));
}

std::vector<std::string> HostLineReader::Read() {
    std::vector<std::string> lines;
    for (HostEvent& e : TakeHostEvents()) {
        if (e.code == OB_EV_TEXT) {
            partial_ += e.text;
        } else if (e.code == OB_EV_EOL) {
            lines.push_back(std::move(partial_));
            partial_.clear();
        } else {
            others_.push_back(std::move(e));
        }
    }
    return lines;
}

std::size_t HostLineReader::ScriptErrors() const {
    return Count(OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
}

} // namespace ob::test
