#include "platform/msg/window.h"

#include "platform/lifetime/immortal.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread_queue.h"
#include "platform/msg/window_table.h"
#include "platform/text/ascii_case.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ob::msg {

namespace {

struct WindowRecord {
    ThreadId owner = 0;
    std::shared_ptr<detail::ThreadQueue> queue; // the owner's queue
    std::string className;                      // as the class was registered
    std::string title;
    WindowProc proc = nullptr;
    std::uintptr_t userData = 0;
    bool destroying = false; // WM_DESTROY is being handled
};

struct WindowClass {
    std::string name;
    WindowProc proc = nullptr;
};

struct WindowTable {
    WindowTable() {
        classes.emplace(text::AsciiLower(kStaticClass),
                        WindowClass{std::string(kStaticClass), &DefWindowProc});
    }

    std::mutex mutex;
    // Handles only grow, so the order of the map is the order of creation and a
    // handle is never given to a second window.
    std::map<Hwnd, WindowRecord> windows;
    Hwnd nextHandle = 1;
    std::map<std::string, WindowClass> classes; // by lower-case name
};

WindowTable& Table() {
    static ob::Immortal<WindowTable> table;
    return table.Get();
}

// Looks up a window with the table locked; nullptr when it is not valid.
WindowRecord* Find(WindowTable& table, Hwnd hwnd) {
    auto it = table.windows.find(hwnd);
    return it == table.windows.end() ? nullptr : &it->second;
}

bool NameMatches(std::string_view wanted, const std::string& actual) {
    return wanted.empty() || text::EqualsIgnoringCase(wanted, actual);
}

} // namespace

namespace detail {

std::shared_ptr<ThreadQueue> WindowQueue(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->queue : nullptr;
}

WindowProc OwnedWindowProc(Hwnd hwnd, ThreadId thread) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window && window->owner == thread ? window->proc : nullptr;
}

void DropThreadWindows(ThreadId thread) {
    std::vector<WindowRecord> dropped; // released outside the lock
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (auto it = table.windows.begin(); it != table.windows.end();) {
        if (it->second.owner == thread) {
            dropped.push_back(std::move(it->second));
            it = table.windows.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace detail

bool RegisterClass(std::string_view className, WindowProc proc) {
    if (className.empty() || proc == nullptr) {
        return false;
    }
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    return table.classes
        .emplace(text::AsciiLower(className), WindowClass{std::string(className), proc})
        .second;
}

WindowProc GetClassProc(std::string_view className) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.classes.find(text::AsciiLower(className));
    return it == table.classes.end() ? nullptr : it->second.proc;
}

Hwnd CreateWindow(std::string_view className, std::string_view title, std::uintptr_t userData) {
    std::shared_ptr<detail::ThreadQueue> queue = detail::CurrentQueue(true);
    if (!queue) {
        return 0;
    }
    Hwnd hwnd = 0;
    WindowProc proc = nullptr;
    {
        WindowTable& table = Table();
        std::lock_guard lock(table.mutex);
        auto cls = table.classes.find(text::AsciiLower(className));
        if (cls == table.classes.end()) {
            return 0;
        }
        hwnd = table.nextHandle++;
        proc = cls->second.proc;
        table.windows.emplace(hwnd, WindowRecord{queue->Owner(), queue, cls->second.name,
                                                 std::string(title), proc, userData, false});
    }
    // A procedure that answers WM_CREATE with -1 refuses the window.
    if (CallWindowProc(proc, hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return 0;
    }
    return hwnd;
}

bool DestroyWindow(Hwnd hwnd) {
    WindowProc proc = nullptr;
    std::shared_ptr<detail::ThreadQueue> queue;
    WindowTable& table = Table();
    {
        std::lock_guard lock(table.mutex);
        WindowRecord* window = Find(table, hwnd);
        if (!window || window->owner != GetCurrentThreadId() || window->destroying) {
            return false;
        }
        window->destroying = true;
        proc = window->proc;
        queue = window->queue;
    }
    CallWindowProc(proc, hwnd, WM_DESTROY, 0, 0);
    {
        std::lock_guard lock(table.mutex);
        table.windows.erase(hwnd);
    }
    queue->KillWindowTimers(hwnd);
    return true;
}

bool IsWindow(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    return Find(table, hwnd) != nullptr;
}

ThreadId GetWindowThreadId(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->owner : 0;
}

Hwnd FindWindow(std::string_view className, std::string_view title) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (const auto& [hwnd, window] : table.windows) {
        if (NameMatches(className, window.className) && NameMatches(title, window.title)) {
            return hwnd;
        }
    }
    return 0;
}

void EnumThreadWindows(ThreadId thread, const std::function<bool(Hwnd)>& visit) {
    std::vector<Hwnd> handles;
    {
        WindowTable& table = Table();
        std::lock_guard lock(table.mutex);
        for (const auto& [hwnd, window] : table.windows) {
            if (window.owner == thread) {
                handles.push_back(hwnd);
            }
        }
    }
    for (Hwnd hwnd : handles) {
        // Skip windows that an earlier call of `visit` destroyed.
        if (IsWindow(hwnd) && !visit(hwnd)) {
            break;
        }
    }
}

WindowProc SetWindowProc(Hwnd hwnd, WindowProc proc) {
    if (proc == nullptr) {
        return nullptr;
    }
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    WindowRecord* window = Find(table, hwnd);
    if (!window) {
        return nullptr;
    }
    WindowProc previous = window->proc;
    window->proc = proc;
    return previous;
}

WindowProc GetWindowProc(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->proc : nullptr;
}

LRESULT CallWindowProc(WindowProc proc, Hwnd hwnd, std::uint32_t message, WPARAM wParam,
                       LPARAM lParam) {
    if (proc == nullptr) {
        return 0;
    }
    try {
        return proc(hwnd, message, wParam, lParam);
    } catch (...) {
        // A procedure must not unwind through the message loop (nor leave a sender
        // waiting for ever): its failure counts as result 0.
        return 0;
    }
}

LRESULT DefWindowProc(Hwnd hwnd, std::uint32_t message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
    }
    return 0;
}

std::uintptr_t GetWindowUserData(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->userData : 0;
}

void SetWindowUserData(Hwnd hwnd, std::uintptr_t data) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (WindowRecord* window = Find(table, hwnd)) {
        window->userData = data;
    }
}

std::string GetWindowText(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->title : std::string();
}

bool SetWindowText(Hwnd hwnd, std::string_view title) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    WindowRecord* window = Find(table, hwnd);
    if (!window) {
        return false;
    }
    window->title = title;
    return true;
}

std::string GetClassName(Hwnd hwnd) {
    WindowTable& table = Table();
    std::lock_guard lock(table.mutex);
    const WindowRecord* window = Find(table, hwnd);
    return window ? window->className : std::string();
}

} // namespace ob::msg
