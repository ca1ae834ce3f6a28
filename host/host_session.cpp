#include "host/host_session.h"

#include "obrenta/host.h"
#include "platform/lifetime/unique_fd.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace ob::host {
namespace {

constexpr const char* kWindowClass = "ObrentaHostWindow";
constexpr std::uint32_t kCookie = 0x0B0B;

// Arms a real-time timer far in the future that the kernel cancels when the system
// clock is set, which is how a clock change is noticed.
void ArmClockWatch(int fd) {
    itimerspec deadline{};
    deadline.it_value.tv_sec = std::numeric_limits<std::int32_t>::max();
    ::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &deadline, nullptr);
}

} // namespace

HostSession::HostSession(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

HostSession::~HostSession() {
    Stop();
    if (window_ != 0) {
        host::DestroyWindow(window_);
    }
}

bool HostSession::Start() {
    host::RegisterClass(kWindowClass, &HostSession::WindowProc);
    window_ = host::CreateWindow(kWindowClass, "Obrenta", reinterpret_cast<std::uintptr_t>(this));
    if (window_ == 0) {
        err_ << "obrenta: cannot create the host window\n";
        return false;
    }
    const std::uint32_t result = OB_CreateSession(&session_, window_, kCookie);
    Drain();
    if (result != OB_OK) {
        err_ << "obrenta: the engine did not start (result " << result << ")\n";
        Stop();
        return false;
    }
    return true;
}

bool HostSession::Load(const std::string& path) {
    const bool loaded = OB_LoadCronScript(session_, path.c_str()) == OB_OK;
    Drain();
    return loaded;
}

void HostSession::Enable() {
    OB_ModifyFlags(session_, SF_ENABLED, 0);
}

void HostSession::Run(const StopConditions& stop) {
    using Clock = std::chrono::steady_clock;
    stopOnIdle_ = stop.whenIdle;
    const auto deadline = stop.seconds ? Clock::now() + std::chrono::seconds(*stop.seconds)
                                       : Clock::time_point::max();

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    ob::UniqueFd signalFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    const std::uint32_t signalWatch =
        signalFd.Get() < 0 ? 0 : host::AddFdWatch(signalFd.Get(), [fd = signalFd.Get()] {
            signalfd_siginfo info;
            while (::read(fd, &info, sizeof info) == sizeof info) {
            }
            host::PostQuitMessage(0);
        });

    ob::UniqueFd clockFd(::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK));
    std::uint32_t clockWatch = 0;
    if (clockFd.Get() >= 0) {
        ArmClockWatch(clockFd.Get());
        clockWatch = host::AddFdWatch(clockFd.Get(), [this, fd = clockFd.Get()] {
            std::uint64_t expirations = 0;
            if (::read(fd, &expirations, sizeof expirations) < 0 && errno == ECANCELED) {
                OB_TimeChange(session_);
            }
            ArmClockWatch(fd);
        });
    }

    while (!quit_ && !(idle_ && stopOnIdle_)) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        const std::uint32_t wait =
            left.count() > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<std::uint32_t>(left.count());
        host::Message m;
        const int got = host::GetMessageTimeout(m, wait);
        if (got == 0) {
            break;
        }
        if (got > 0) {
            host::DispatchMessage(m);
        }
    }
    host::RemoveFdWatch(signalWatch);
    host::RemoveFdWatch(clockWatch);
}

void HostSession::Drain() {
    host::Message m;
    const std::uint32_t eventMessage = EventMessage();
    while (host::PeekMessage(m, eventMessage, eventMessage, true)) {
        host::DispatchMessage(m);
    }
}

void HostSession::Stop() {
    if (session_ == nullptr) {
        return;
    }
    Drain();
    // What the engine says while it shuts down (the end of a run that asked to
    // quit, say) is still shown: its events are matched against the closing handle.
    closing_ = session_;
    OB_DestroySession(&session_);
    session_ = nullptr;
    Drain();
    closing_ = nullptr;
    if (!line_.empty()) {
        EndLine();
    }
}

std::intptr_t HostSession::WindowProc(std::uintptr_t hwnd, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = reinterpret_cast<HostSession*>(host::GetWindowUserData(hwnd));
    if (message == EventMessage() && self != nullptr && lParam != 0) {
        self->OnEvent(reinterpret_cast<EngineEvent*>(lParam));
        return 0;
    }
    return host::DefWindowProc(hwnd, message, wParam, lParam);
}

void HostSession::OnEvent(EngineEvent* event) {
    const OB_SESSION current = session_ != nullptr ? session_ : closing_;
    if (current == nullptr || event->session != current) {
        OB_AckMessage(event->session, event); // from a session that is gone
        return;
    }
    const auto* text = event->ownsText != 0 ? reinterpret_cast<const char*>(event->data) : nullptr;
    switch (event->code) {
    case OB_EV_TEXT:
        line_ += text != nullptr ? text : "";
        break;
    case OB_EV_EOL:
        EndLine();
        break;
    case OB_EV_QUIT:
        ReportEvent(*event, text);
        quit_ = true;
        break;
    case OB_EV_LOGFILE:
        ReportEvent(*event, text);
        logFile_.close();
        if (text != nullptr) {
            logFile_.open(text, std::ios::app);
            if (!logFile_) {
                err_ << "obrenta: cannot open the log file " << text << "\n";
            }
        }
        break;
    default:
        if (event->code == OB_EV_NOTIFY && event->data == OB_NOTIFY_IDLE) {
            idle_ = true;
        }
        ReportEvent(*event, text);
        break;
    }
    // Records outlive their session: the one being destroyed still takes them back.
    OB_AckMessage(event->session, event);
}

void HostSession::ReportEvent(const EngineEvent& event, const char* text) {
    err_ << "event " << event.code << ' ';
    if (text != nullptr) {
        err_ << text;
    } else {
        err_ << event.data;
    }
    err_ << '\n';
    err_.flush();
}

void HostSession::EndLine() {
    out_ << line_ << '\n';
    out_.flush();
    if (session_ != nullptr) {
        OB_LogOutput(session_, line_.c_str());
    }
    if (logFile_.is_open()) {
        logFile_ << line_ << '\n';
        logFile_.flush();
    }
    line_.clear();
}

} // namespace ob::host
