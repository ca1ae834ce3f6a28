// Process-wide objects that are never destroyed.
//
// The tables of this layer (queues, windows, classes, registered messages) may be
// used by threads that outlive main(): an abandoned thread, or a thread still running
// its exit handlers while the process exits. Static destructors must therefore not
// tear them down; Immortal<T>() builds the object on first use in static storage and
// never runs its destructor. Thread-safe (function-local static initialisation).
#pragma once

#include <new>

namespace ob::msg::detail {

template <class T> T& Immortal() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* const instance = ::new (static_cast<void*>(storage)) T();
    return *instance;
}

} // namespace ob::msg::detail
