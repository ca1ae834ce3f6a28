// OB_ASSERT(condition): an invariant of the code, checked in Debug and sanitizer
// builds (where OB_ASSERTIONS is defined) and compiled out elsewhere, so release
// builds pay nothing. A failed check prints the condition and where it stands on
// standard error and aborts: an invariant that does not hold means memory or state
// is already wrong, and going on would hide where. The condition must have no side
// effects. Header only; any thread.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace ob::diagnostics {

[[noreturn]] inline void AssertionFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

} // namespace ob::diagnostics

#if defined(OB_ASSERTIONS)
#define OB_ASSERT(condition)                                                                       \
    ((condition) ? static_cast<void>(0)                                                            \
                 : ::ob::diagnostics::AssertionFailed(#condition, __FILE__, __LINE__))
#else
// Still parsed and type-checked, never evaluated.
#define OB_ASSERT(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif
