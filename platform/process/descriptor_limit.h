// The process's limit on open descriptors (RLIMIT_NOFILE). Any thread.
//
// A program that keeps many children, connections and files open should not run
// out of descriptors at the usual soft limit of 1024 while the hard limit allows
// far more: the host program raises its soft limit to the hard limit at start, as
// service managers do for themselves. The programs it launches get the soft limit
// back that the process started with, so that a program written for the usual
// limit (select() handles descriptors below 1024 only) sees what it expects.
#pragma once

#include "platform/export.h"

#include <sys/resource.h>

namespace ob::process {

struct DescriptorLimits {
    rlim_t before = 0; ///< the soft limit at the call
    rlim_t after = 0;  ///< the soft limit now
};

/// Raises the soft limit to the hard limit and remembers the one it replaces for
/// launched programs. Calling it again keeps the first remembered limit.
OB_PLATFORM_API DescriptorLimits RaiseDescriptorLimit();

/// The soft limit launched programs get: the one the process had before
/// RaiseDescriptorLimit raised it, or 0 when it was not raised (they inherit it).
OB_PLATFORM_API rlim_t ChildDescriptorLimit();

} // namespace ob::process
