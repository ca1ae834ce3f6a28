// Runs a function when a scope is left, however it is left (return, exception):
// for undoing a temporary change (a thread-local slot, a signal mask) where no
// owning type exists. Header only; the scope's own thread.
#pragma once

#include <utility>

namespace ob {

template <typename Function> class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() {
        if (armed_) {
            function_();
        }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    /// The function will not run.
    void Dismiss() { armed_ = false; }

private:
    Function function_;
    bool armed_ = true;
};

} // namespace ob
