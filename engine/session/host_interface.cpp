// The host interface of obrenta/host.h: the platform's message layer behind the
// names a host program may use.

#include "obrenta/host.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/registered_message.h"
#include "platform/msg/window.h"

#include <type_traits>
#include <utility>

namespace ob::host {
namespace {

static_assert(std::is_same_v<WindowProc, msg::WindowProc>,
              "a host's window procedure is the platform's");

Message FromPlatform(const msg::Message& m) {
    return Message{m.hwnd, m.message, m.wParam, m.lParam};
}

msg::Message ToPlatform(const Message& m) {
    msg::Message out;
    out.hwnd = m.hwnd;
    out.message = m.message;
    out.wParam = m.wParam;
    out.lParam = m.lParam;
    return out;
}

} // namespace

std::uint32_t EventMessage() {
    return msg::RegisterWindowMessage(kEventMessageName);
}

bool RegisterClass(const char* className, WindowProc proc) {
    return className != nullptr && msg::RegisterClass(className, proc);
}

Hwnd CreateWindow(const char* className, const char* title, std::uintptr_t userData) {
    if (className == nullptr) {
        return 0;
    }
    return msg::CreateWindow(className, title != nullptr ? title : "", userData);
}

bool DestroyWindow(Hwnd hwnd) {
    return msg::DestroyWindow(hwnd);
}

std::uintptr_t GetWindowUserData(Hwnd hwnd) {
    return msg::GetWindowUserData(hwnd);
}

LRESULT DefWindowProc(Hwnd hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    return msg::DefWindowProc(hwnd, message, wParam, lParam);
}

int GetMessageTimeout(Message& out, std::uint32_t timeoutMs) {
    msg::Message m;
    const int got = msg::GetMessageTimeout(m, timeoutMs);
    if (got > 0) {
        out = FromPlatform(m);
    }
    return got;
}

bool PeekMessage(Message& out, std::uint32_t filterMin, std::uint32_t filterMax, bool remove) {
    msg::Message m;
    if (!msg::PeekMessage(m, filterMin, filterMax, remove ? msg::PM_REMOVE : msg::PM_NOREMOVE)) {
        return false;
    }
    out = FromPlatform(m);
    return true;
}

LRESULT DispatchMessage(const Message& message) {
    return msg::DispatchMessage(ToPlatform(message));
}

void PostQuitMessage(int exitCode) {
    msg::PostQuitMessage(exitCode);
}

std::uint32_t AddFdWatch(int fd, std::function<void()> onReadable) {
    return msg::AddFdWatch(fd, std::move(onReadable));
}

void RemoveFdWatch(std::uint32_t watchId) {
    msg::RemoveFdWatch(watchId);
}

} // namespace ob::host
