#include "platform/toolkit/toolkit_loop.h"

#include "platform/desktop/x_connection.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace ob::toolkit {
namespace {

constexpr std::string_view kTimerClass = "ObrentaToolkitTimer";
constexpr std::uintptr_t kTimerId = 1;
constexpr int kMaxRounds = 16;
// Sources that wait to write (rare in a dialog) are polled this often.
constexpr std::uint32_t kWritePollMs = 10;

struct ProcessState {
    std::mutex lock;
    msg::ThreadId owner = 0;
    int count = 0;
    bool initialised = false;
    unsigned nextCallback = 1;
    std::map<unsigned, std::function<void()>> lostCallbacks;
};

ProcessState& State() {
    static auto* state = new ProcessState; // never destroyed: threads may outlive main()
    return *state;
}

class Pump;
thread_local std::unique_ptr<Pump> t_pump;
// The display was lost during a run of the pump: the windows are told after it.
thread_local bool t_tellLost = false;

void ServeFromWatch() {
    ServeToolkit();
}

msg::LRESULT TimerProc(msg::Hwnd hwnd, std::uint32_t message, msg::WPARAM wParam,
                       msg::LPARAM lParam) {
    if (message == msg::WM_TIMER && wParam == kTimerId) {
        msg::KillTimer(hwnd, kTimerId);
        ServeToolkit();
        return 0;
    }
    return msg::DefWindowProc(hwnd, message, wParam, lParam);
}

// The main context's prepare, query, check and dispatch cycle, driven by the
// thread's message waits: after each run the context's descriptors are watched and
// its next time-out is a window timer.
class Pump {
public:
    explicit Pump(GdkDisplay* display)
        : display_(display), xdisplay_(gdk_x11_display_get_xdisplay(display)) {
        static std::once_flag registered;
        std::call_once(registered, [] { msg::RegisterClass(kTimerClass, TimerProc); });
        g_main_context_acquire(context_);
        timerWindow_ = msg::CreateWindow(kTimerClass, "toolkit timer");
    }

    ~Pump() {
        StopServing();
        if (timerWindow_ != 0) {
            msg::DestroyWindow(timerWindow_);
        }
        // What the closed windows left (their unmapping) reaches the server now.
        for (int round = 0; !stopped_ && round < 100 && g_main_context_pending(context_); ++round) {
            g_main_context_iteration(context_, FALSE);
        }
        gdk_display_flush(display_);
        g_main_context_release(context_);
        // Also when the thread ends holding the toolkit: another may take it then.
        ProcessState& state = State();
        std::lock_guard<std::mutex> hold(state.lock);
        if (state.owner == msg::GetCurrentThreadId()) {
            state.owner = 0;
            state.count = 0;
        }
    }

    Pump(const Pump&) = delete;
    Pump& operator=(const Pump&) = delete;

    void Run() {
        if (running_ || stopped_) {
            return; // a wait inside a dispatch: the outer run goes on with it
        }
        running_ = true;
        int timeout = -1;
        for (int round = 0; round < kMaxRounds; ++round) {
            if (prepared_) {
                g_poll(fds_.data(), static_cast<guint>(fds_.size()), 0);
                if (g_main_context_check(context_, priority_, fds_.data(),
                                         static_cast<gint>(fds_.size())) != FALSE) {
                    g_main_context_dispatch(context_);
                }
                prepared_ = false;
            }
            if (desktop::DisplayLost(xdisplay_)) {
                running_ = false;
                DisplayGone();
                return;
            }
            g_main_context_prepare(context_, &priority_);
            Query(timeout);
            prepared_ = true;
            if (timeout != 0) {
                break;
            }
        }
        running_ = false;
        Resync(timeout);
    }

    bool Running() const { return running_; }
    /// The last window went while the pump was running: it ends after the run.
    bool releaseRequested = false;

    void StopServing() {
        stopped_ = true;
        for (const auto& [fd, id] : watches_) {
            msg::RemoveFdWatch(id);
        }
        watches_.clear();
        if (timerWindow_ != 0) {
            msg::KillTimer(timerWindow_, kTimerId);
        }
    }

private:
    void Query(int& timeout) {
        for (;;) {
            const gint needed = g_main_context_query(context_, priority_, &timeout, fds_.data(),
                                                     static_cast<gint>(fds_.size()));
            if (needed <= static_cast<gint>(fds_.size())) {
                fds_.resize(static_cast<std::size_t>(needed));
                return;
            }
            fds_.resize(static_cast<std::size_t>(needed));
        }
    }

    void Resync(int timeout) {
        std::unordered_map<int, std::uint32_t> kept;
        bool writers = false;
        for (const GPollFD& fd : fds_) {
            writers = writers || (fd.events & G_IO_OUT) != 0;
            if (kept.count(fd.fd) != 0) {
                continue;
            }
            auto found = watches_.find(fd.fd);
            if (found != watches_.end()) {
                kept.emplace(fd.fd, found->second);
                watches_.erase(found);
            } else if (const std::uint32_t id = msg::AddFdWatch(fd.fd, ServeFromWatch); id != 0) {
                kept.emplace(fd.fd, id);
            }
        }
        for (const auto& [fd, id] : watches_) {
            msg::RemoveFdWatch(id);
        }
        watches_ = std::move(kept);
        if (writers && (timeout < 0 || timeout > static_cast<int>(kWritePollMs))) {
            timeout = static_cast<int>(kWritePollMs);
        }
        if (timeout >= 0) {
            msg::SetTimer(timerWindow_, kTimerId, static_cast<std::uint32_t>(std::max(timeout, 1)));
        } else {
            msg::KillTimer(timerWindow_, kTimerId);
        }
    }

    // The display's connection is gone: nothing of the toolkit is served any more
    // (its dead socket would stay readable), and the windows are told.
    void DisplayGone() {
        StopServing();
        t_tellLost = true;
    }

    GMainContext* context_ = g_main_context_default();
    GdkDisplay* display_;
    Display* xdisplay_;
    std::vector<GPollFD> fds_;
    gint priority_ = 0;
    bool prepared_ = false;
    bool running_ = false;
    bool stopped_ = false;
    std::unordered_map<int, std::uint32_t> watches_;
    msg::Hwnd timerWindow_ = 0;
};

// GTK on the display `name`: initialised once per process (without touching the
// locale), the display opened when it is not the default one yet. Null when the
// display cannot be opened. Called with the state's lock held.
GdkDisplay* OpenDisplay(ProcessState& state, const std::string& name) {
    if (!state.initialised) {
        gtk_disable_setlocale();
        gdk_set_allowed_backends("x11");
        std::string program = "obrenta";
        std::string option = "--display=" + name;
        char* args[] = {program.data(), option.data(), nullptr};
        int argc = 2;
        char** argv = args;
        gtk_init_check(&argc, &argv);
        state.initialised = true;
    }
    // The display stays open between dialogs, as any program keeps its own; it is
    // opened anew when DISPLAY names another one or its server has gone.
    GdkDisplay* display = gdk_display_get_default();
    if (display != nullptr) {
        Display* xdisplay = gdk_x11_display_get_xdisplay(display);
        XSync(xdisplay, False); // a server that has gone is noticed here
        if (name != gdk_display_get_name(display) || desktop::DisplayLost(xdisplay)) {
            desktop::ForgetDisplay(xdisplay);
            gdk_display_close(display);
            display = nullptr;
        }
    }
    if (display == nullptr) {
        display = gdk_display_open(name.c_str());
        if (display == nullptr) {
            return nullptr;
        }
        gdk_display_manager_set_default_display(gdk_display_manager_get(), display);
    }
    // GDK's handler for a lost connection ends the process: ours leaves it dead.
    desktop::InstallErrorHandlers();
    desktop::AdoptDisplay(gdk_x11_display_get_xdisplay(display), false);
    return display;
}

// Ends the thread's pump when its last window has gone (`released`, or asked for
// during a run), then tells the windows of a lost display.
void EndPumpIfReleased(bool released) {
    if (t_pump && (released || t_pump->releaseRequested)) {
        t_pump.reset(); // gives the toolkit up
    }
    if (!t_tellLost) {
        return;
    }
    t_tellLost = false;
    std::vector<std::function<void()>> callbacks;
    {
        ProcessState& state = State();
        std::lock_guard<std::mutex> hold(state.lock);
        for (const auto& [id, callback] : state.lostCallbacks) {
            callbacks.push_back(callback);
        }
    }
    for (const auto& callback : callbacks) {
        callback();
    }
}

} // namespace

ToolkitSection::ToolkitSection() {
    desktop::XOpenLock().lock();
}

ToolkitSection::~ToolkitSection() {
    desktop::XOpenLock().unlock();
}

ToolkitReady AcquireToolkit() {
    const ToolkitSection section;
    ProcessState& state = State();
    const msg::ThreadId me = msg::GetCurrentThreadId();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.owner != 0 && state.owner != me) {
        return {ToolkitStatus::Busy, "Another session is showing a dialog on the desktop."};
    }
    if (state.owner == me) {
        ++state.count;
        if (t_pump) {
            t_pump->releaseRequested = false;
        }
        return {};
    }
    const std::string name = desktop::DisplayName();
    if (name.empty()) {
        return {ToolkitStatus::NoDisplay, "DISPLAY is not set."};
    }
    std::string reason;
    if (!desktop::ProbeDisplaySocket(name, desktop::kProbeTimeout, reason)) {
        return {ToolkitStatus::NoDisplay,
                "Cannot reach the X display " + name + ": " + reason + "."};
    }
    GdkDisplay* display = OpenDisplay(state, name);
    if (display == nullptr) {
        return {ToolkitStatus::NoDisplay, "The X display " + name + " refused the connection."};
    }
    state.owner = me;
    state.count = 1;
    t_pump = std::make_unique<Pump>(display);
    return {};
}

void ReleaseToolkit() {
    const ToolkitSection section;
    ProcessState& state = State();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (state.owner != msg::GetCurrentThreadId() || state.count == 0 || --state.count > 0) {
            return;
        }
    }
    if (!t_pump) {
        return;
    }
    if (t_pump->Running()) {
        t_pump->releaseRequested = true; // a window closed from a callback of the run
        return;
    }
    t_pump->Run(); // what the closed window left: its unmapping reaches the server
    EndPumpIfReleased(true);
}

unsigned OnDisplayLost(std::function<void()> callback) {
    ProcessState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    const unsigned id = state.nextCallback++;
    state.lostCallbacks.emplace(id, std::move(callback));
    return id;
}

void ForgetDisplayLost(unsigned id) {
    ProcessState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    state.lostCallbacks.erase(id);
}

void ServeToolkit() {
    const ToolkitSection section;
    if (t_pump && !t_pump->Running()) {
        t_pump->Run();
        EndPumpIfReleased(false);
    }
}

} // namespace ob::toolkit
