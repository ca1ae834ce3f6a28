#include "vbscript/stack_guard.h"

#include "vbscript/script_exception.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>

namespace ob::vbscript {

thread_local std::uintptr_t tStackLimit = 0;

namespace {

std::uintptr_t Here() {
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

// The lowest address of this thread's stack, 0 when unknown. Asked once per thread:
// for the main thread the C library reads /proc/self/maps to answer, which would
// cost about a millisecond on every AddCode and Run.
std::uintptr_t StackLow() {
    thread_local const std::uintptr_t low = [] {
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) != 0) {
            return std::uintptr_t{0};
        }
        void* base = nullptr;
        std::size_t size = 0;
        const int rc = pthread_attr_getstack(&attr, &base, &size);
        pthread_attr_destroy(&attr);
        return rc != 0 ? std::uintptr_t{0} : reinterpret_cast<std::uintptr_t>(base);
    }();
    return low;
}

// How many bytes of stack are left below the caller's frame, with a margin for the
// library calls the interpreter makes at its deepest point.
std::size_t Budget() {
    constexpr std::size_t kMargin = 512 * 1024;
    constexpr std::size_t kFallback = 1024 * 1024;
    const std::uintptr_t low = StackLow();
    if (low == 0) {
        return kFallback;
    }
    const std::uintptr_t here = Here();
    if (here <= low + kMargin * 2) {
        return kFallback / 4;
    }
    return std::min<std::size_t>(here - low - kMargin, 64u * 1024 * 1024);
}

} // namespace

StackGuard::Scope::Scope() {
    if (tStackLimit == 0) {
        outermost_ = true;
        tStackLimit = Here() - Budget();
    }
}

StackGuard::Scope::~Scope() {
    if (outermost_) {
        tStackLimit = 0;
    }
}

void StackGuard::Overflow() {
    throw ScriptException(err::kOutOfStack);
}

} // namespace ob::vbscript
