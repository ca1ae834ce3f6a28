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

// How many bytes of stack are left below the caller's frame, with a margin for the
// library calls the interpreter makes at its deepest point.
std::size_t Budget() {
    constexpr std::size_t kMargin = 512 * 1024;
    constexpr std::size_t kFallback = 1024 * 1024;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) {
        return kFallback;
    }
    void* base = nullptr;
    std::size_t size = 0;
    const int rc = pthread_attr_getstack(&attr, &base, &size);
    pthread_attr_destroy(&attr);
    if (rc != 0 || base == nullptr) {
        return kFallback;
    }
    const std::uintptr_t low = reinterpret_cast<std::uintptr_t>(base);
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
