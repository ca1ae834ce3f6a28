#include "engine/scheduling/run_watchdog.h"

#include "common/password_mask.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/seconds_setting.h"
#include "obrenta/obrenta.h"

namespace ob::engine {
namespace {

long long WholeSeconds(std::chrono::steady_clock::duration elapsed) {
    return std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
}

} // namespace

std::chrono::seconds WatchdogSetting() {
    return SecondsSetting(nullptr, "JR.WATCHDOG_SECONDS", kDefaultWatchdogLimit);
}

RunWatchdog::~RunWatchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RunWatchdog::SetLimit(std::chrono::seconds limit) {
    std::lock_guard lock(mutex_);
    limit_ = limit;
}

void RunWatchdog::BeginRun(const std::string& job) {
    std::lock_guard lock(mutex_);
    if (limit_.count() == 0) {
        return; // off: nothing to watch
    }
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Watch(); });
    }
    running_ = true;
    reported_ = false;
    runLimit_ = limit_;
    started_ = Clock::now();
    runJob_ = job;
    runStatement_.clear();
    runLine_ = 0;
    innerJob_.clear();
}

void RunWatchdog::AtStatement(const std::string& job, const std::string& statement,
                              std::uint32_t line, bool outermost) {
    std::lock_guard lock(mutex_);
    if (!running_) {
        return;
    }
    if (outermost) {
        runStatement_ = statement;
        runLine_ = line;
        innerJob_.clear();
    } else {
        innerJob_ = job;
        innerStatement_ = statement;
        innerLine_ = line;
    }
}

void RunWatchdog::EndRun() {
    std::string released;
    {
        std::lock_guard lock(mutex_);
        if (running_ && reported_) {
            released = "Job \"" + runJob_ + "\" no longer blocks the engine; its run took " +
                       std::to_string(WholeSeconds(Clock::now() - started_)) + " s.";
        }
        running_ = false;
        reported_ = false;
    }
    if (!released.empty()) {
        PostTextEvent(session_, OB_EV_WATCHDOG, released);
    }
}

void RunWatchdog::Watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, kInterval);
        if (stopping_ || !running_ || reported_) {
            continue;
        }
        const auto elapsed = Clock::now() - started_;
        if (elapsed < runLimit_) {
            continue;
        }
        reported_ = true;
        std::string text = "Job \"" + runJob_ + "\" has blocked the engine for " +
                           std::to_string(WholeSeconds(elapsed)) + " s at line " +
                           std::to_string(runLine_) + ": " + common::MaskPasswords(runStatement_);
        if (!innerJob_.empty()) {
            text += " (now at line " + std::to_string(innerLine_) + " of job \"" + innerJob_ +
                    "\": " + common::MaskPasswords(innerStatement_) + ")";
        }
        // Posting may wait for the host; the engine thread must not wait for this lock
        // meanwhile.
        lock.unlock();
        PostTextEvent(session_, OB_EV_WATCHDOG, text);
        lock.lock();
    }
}

} // namespace ob::engine
