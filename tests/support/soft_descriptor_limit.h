// Test support: lowers this process's soft descriptor limit for a scope, so that a
// test can show what happens near it without opening thousands of descriptors.
// Header only.
#pragma once

#include <sys/resource.h>

namespace ob::test {

class SoftDescriptorLimit {
public:
    explicit SoftDescriptorLimit(rlim_t soft) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        ok_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~SoftDescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    SoftDescriptorLimit(const SoftDescriptorLimit&) = delete;
    SoftDescriptorLimit& operator=(const SoftDescriptorLimit&) = delete;

    bool Ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

} // namespace ob::test
