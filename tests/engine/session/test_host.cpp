#include "test_host.h"

#include "platform/registry/registry.h"

namespace ob::test {

TestHost::TestHost(bool acknowledge) : acknowledge_(acknowledge) {
    host::RegisterClass("ObrentaTestHost", &TestHost::Proc);
    window_ =
        host::CreateWindow("ObrentaTestHost", "test host", reinterpret_cast<std::uintptr_t>(this));
}

TestHost::~TestHost() {
    AckKept();
    if (session_ != nullptr) {
        PumpFor(std::chrono::milliseconds(0));
        OB_DestroySession(&session_);
    }
    PumpFor(std::chrono::milliseconds(0));
    host::DestroyWindow(window_);
}

std::uint32_t TestHost::Create(const char* level) {
    UseScratchStores(dir_);
    env::Set("JR.OUTPUT_LEVEL", level);
    registry::Key key;
    registry::Key::Create(registry::Root::LocalMachine,
                          "Software\\Varndel Software\\Obrenta\\Communication",
                          registry::KEY_READ_WRITE, key);
    key.SetValue("cs_port", "0");
    env::Remove("cs_port");
    return OB_CreateSession(&session_, window_, 77);
}

bool TestHost::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        host::Message m;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (host::GetMessageTimeout(m, static_cast<std::uint32_t>(left.count())) > 0) {
            host::DispatchMessage(m);
        }
    }
    return true;
}

void TestHost::PumpFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        host::Message m;
        while (host::PeekMessage(m, 0, 0, true)) {
            host::DispatchMessage(m);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (host::GetMessageTimeout(m, static_cast<std::uint32_t>(left.count())) > 0) {
            host::DispatchMessage(m);
        }
    }
}

std::vector<std::string> TestHost::Lines() const {
    std::vector<std::string> lines;
    std::string current;
    for (const RecordedEvent& e : events) {
        if (e.code == OB_EV_TEXT) {
            current += e.text;
        } else if (e.code == OB_EV_EOL) {
            lines.push_back(current);
            current.clear();
        }
    }
    return lines;
}

std::size_t TestHost::Count(std::uint32_t code, std::uintptr_t data) const {
    std::size_t n = 0;
    for (const RecordedEvent& e : events) {
        n += e.code == code && e.data == data ? 1 : 0;
    }
    return n;
}

void TestHost::AckKept() {
    for (EngineEvent* e : kept) {
        OB_AckMessage(e->session, e);
    }
    kept.clear();
}

host::LRESULT TestHost::Proc(host::Hwnd hwnd, std::uint32_t message, host::WPARAM wParam,
                             host::LPARAM lParam) {
    auto* self = reinterpret_cast<TestHost*>(host::GetWindowUserData(hwnd));
    if (self == nullptr || message != host::EventMessage()) {
        return host::DefWindowProc(hwnd, message, wParam, lParam);
    }
    auto* event = reinterpret_cast<EngineEvent*>(lParam);
    RecordedEvent r;
    r.code = event->code;
    r.pending = event->pending;
    r.spins = event->spins;
    r.sequence = event->sequence;
    if (event->ownsText != 0) {
        r.text = reinterpret_cast<const char*>(event->data);
    } else {
        r.data = event->data;
    }
    self->events.push_back(r);
    if (self->acknowledge_) {
        OB_AckMessage(event->session, event);
    } else {
        self->kept.push_back(event);
    }
    return 0;
}

} // namespace ob::test
