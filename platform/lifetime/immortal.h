// Storage for an object that lives until the process ends and is never destroyed.
//
// Process-wide tables and locks (message queues, windows, registered messages, the
// variable store's instances) may be used by threads that outlive main(): a thread
// that did not end when told to is given up and left running, and threads may still
// run while the exit handlers do. Destroying such objects in the exit handlers would
// pull them out from under those threads. Declare one as a function-local static,
// `static Immortal<T> table; return table.Get();`: it is built in place on first use
// (thread-safe, as every function-local static) and its destructor never runs.
#pragma once

#include <new>
#include <utility>

namespace ob {

template <typename T> class Immortal {
public:
    template <typename... Args> explicit Immortal(Args&&... args) {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    ~Immortal() = default;
    Immortal(const Immortal&) = delete;
    Immortal& operator=(const Immortal&) = delete;

    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

} // namespace ob
