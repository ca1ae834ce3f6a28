#include "platform/process/descriptor_limit.h"

#include <atomic>

namespace ob::process {
namespace {

// 0 until the limit has been raised.
std::atomic<rlim_t> childLimit{0};

} // namespace

DescriptorLimits RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return {};
    }
    DescriptorLimits result{limit.rlim_cur, limit.rlim_cur};
    if (limit.rlim_cur >= limit.rlim_max) {
        return result;
    }
    const rlim_t original = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return result;
    }
    result.after = limit.rlim_cur;
    rlim_t none = 0;
    childLimit.compare_exchange_strong(none, original);
    return result;
}

rlim_t ChildDescriptorLimit() {
    return childLimit.load();
}

} // namespace ob::process
