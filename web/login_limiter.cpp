#include "web/login_limiter.h"

#include <algorithm>

namespace ob::web {
namespace {

void DropExpired(std::deque<SteadyTime>& times, SteadyTime now) {
    while (!times.empty() && now - times.front() >= LoginLimiter::kWindow) {
        times.pop_front();
    }
}

} // namespace

LoginAdmission LoginLimiter::Admit(const std::string& address, SteadyTime now) {
    std::lock_guard lock(mutex_);
    if (const auto it = failures_.find(address); it != failures_.end()) {
        DropExpired(it->second, now);
        if (it->second.size() >= kMaxFailures) {
            return LoginAdmission::TooManyFailures;
        }
    }
    if (checks_ >= kMaxChecks) {
        return LoginAdmission::TooManyChecks;
    }
    ++checks_;
    return LoginAdmission::Admitted;
}

void LoginLimiter::Finish(const std::string& address, bool succeeded, SteadyTime now) {
    std::lock_guard lock(mutex_);
    --checks_;
    if (succeeded) {
        failures_.erase(address);
        return;
    }
    if (failures_.size() >= kMaxAddresses && failures_.find(address) == failures_.end()) {
        Forget(now);
    }
    auto& times = failures_[address];
    DropExpired(times, now);
    times.push_back(now);
    while (times.size() > kMaxFailures) {
        times.pop_front();
    }
}

std::chrono::seconds LoginLimiter::RetryAfter(const std::string& address, SteadyTime now) {
    std::lock_guard lock(mutex_);
    const auto it = failures_.find(address);
    if (it == failures_.end()) {
        return std::chrono::seconds(0);
    }
    DropExpired(it->second, now);
    if (it->second.size() < kMaxFailures) {
        return std::chrono::seconds(0);
    }
    const auto left = kWindow - (now - it->second.front());
    return std::max(std::chrono::seconds(1), std::chrono::ceil<std::chrono::seconds>(left));
}

void LoginLimiter::Forget(SteadyTime now) {
    for (auto it = failures_.begin(); it != failures_.end();) {
        DropExpired(it->second, now);
        it = it->second.empty() ? failures_.erase(it) : std::next(it);
    }
    if (failures_.size() < kMaxAddresses) {
        return;
    }
    const auto oldest = std::min_element(failures_.begin(), failures_.end(), [](auto& a, auto& b) {
        return a.second.back() < b.second.back();
    });
    failures_.erase(oldest);
}

} // namespace ob::web
