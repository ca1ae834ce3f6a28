#include "host/job_reloader.h"

#include "host/host_session.h"
#include "obrenta/host.h"
#include "obrenta/obrenta.h"
#include "platform/msg/message_queue.h"
#include "platform/service/service_notify.h"

#include <csignal>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace ob::host {
namespace {

/// The longest single wait of the worker, so that it ends soon when told to.
constexpr std::uint32_t kTickWaitMs = 250;

} // namespace

JobReloader::JobReloader(HostSession& host, const JobSet& jobs, std::ostream& err)
    : host_(host), jobs_(jobs), err_(err) {}

JobReloader::~JobReloader() {
    msg::RemoveFdWatch(hangupWatch_);
    msg::RemoveFdWatch(clearedWatch_);
    cancel_.store(true);
    JoinWorker();
}

bool JobReloader::Start() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGHUP);
    hangups_ = UniqueFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    cleared_ = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!hangups_.Valid() || !cleared_.Valid()) {
        return false;
    }
    hangupWatch_ = msg::AddFdWatch(hangups_.Get(), [this] {
        signalfd_siginfo info;
        bool hungUp = false;
        while (::read(hangups_.Get(), &info, sizeof info) == sizeof info) {
            hungUp = true;
        }
        if (hungUp) {
            OnHangup();
        }
    });
    clearedWatch_ = msg::AddFdWatch(cleared_.Get(), [this] {
        std::uint64_t count = 0;
        if (::read(cleared_.Get(), &count, sizeof count) == sizeof count) {
            OnCleared();
        }
    });
    return true;
}

void JobReloader::OnHangup() {
    if (reloading_) {
        again_ = true;
        return;
    }
    std::optional<std::vector<std::string>> files = jobs_.Files(err_);
    if (!files) {
        err_ << "obrenta: reload refused; the jobs stay as they are\n";
        err_.flush();
        return;
    }
    err_ << "obrenta: reloading the job files\n";
    err_.flush();
    service::NotifyServiceManager(service::ServiceState::Reloading, "Reloading the job files");
    reloading_ = true;
    pendingFiles_ = std::move(*files);
    OB_SESSION session = host_.Session();
    OB_ClearJobQueue(session);
    OB_Wakeup(session);
    JoinWorker();
    worker_ = std::thread([this, session] {
        int ticks = 0;
        while (ticks < 2 && !cancel_.load()) {
            const std::uint32_t waited = OB_WaitTick(session, kTickWaitMs);
            if (waited == OB_OK) {
                ++ticks;
            } else if (waited != OB_WAIT_TIMEOUT) {
                break; // the session is gone
            }
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(cleared_.Get(), &one, sizeof one);
    });
}

void JobReloader::OnCleared() {
    JoinWorker();
    const LoadReport report = JobSet::Load(host_, pendingFiles_, err_);
    pendingFiles_.clear();
    const std::string summary = JobSet::Summary(report);
    err_ << "obrenta: reload done: " << summary << "\n";
    err_.flush();
    service::NotifyServiceManager(service::ServiceState::Ready, summary);
    reloading_ = false;
    if (again_) {
        again_ = false;
        OnHangup();
    }
}

void JobReloader::JoinWorker() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

} // namespace ob::host
