// Storage for an object that lives until the process ends and is never destroyed.
//
// The store's instances and configurations are used by threads that may still run
// while the process exits (a job thread that did not end when told to is left
// running): destroying them in the exit handlers would pull the lock and the names
// out from under such a thread. The object is built in place in static storage on
// first use (thread-safe as a function-local static) and its destructor never runs.
#pragma once

#include <new>
#include <utility>

namespace ob::vars {

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

} // namespace ob::vars
