// A host for tests: a window on the test's thread that records every engine event
// (text events with their text) and acknowledges it, plus a session created in
// private settings stores with `cs_port` 0 (any free port).
#pragma once

#include "engine/session/engine_session.h"
#include "obrenta/host.h"
#include "obrenta/obrenta.h"
#include "support/scratch.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ob::test {

struct RecordedEvent {
    std::uint32_t code = 0;
    std::uintptr_t data = 0;
    std::string text;
    std::uint32_t pending = 0;
    std::uint32_t spins = 0;
    std::uint32_t sequence = 0;
};

class TestHost {
public:
    /// `acknowledge` false keeps the records (for flow-control tests); they are
    /// acknowledged by AckKept().
    explicit TestHost(bool acknowledge = true);
    ~TestHost();

    host::Hwnd Window() const { return window_; }
    OB_SESSION& Session() { return session_; }
    /// The record behind the handle (white-box access for tests that link the engine).
    engine::EngineSession& Record() { return *reinterpret_cast<engine::EngineSession*>(session_); }

    /// Stores pointed at a scratch folder, cs_port 0, then OB_CreateSession.
    std::uint32_t Create(const char* level = "10");
    /// Pumps messages until `done` holds or `timeout` passes; true when it held.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void PumpFor(std::chrono::milliseconds duration);
    /// Output lines assembled from 2005/2006.
    std::vector<std::string> Lines() const;
    std::size_t Count(std::uint32_t code, std::uintptr_t data) const;
    void AckKept();

    std::vector<RecordedEvent> events;
    std::vector<EngineEvent*> kept;

private:
    static host::LRESULT Proc(host::Hwnd, std::uint32_t, host::WPARAM, host::LPARAM);

    ScratchDir dir_;
    bool acknowledge_;
    host::Hwnd window_ = 0;
    OB_SESSION session_ = nullptr;
};

} // namespace ob::test
