// A bound on how deep the interpreter may recurse on the current thread's stack.
// Deeply nested source and runaway recursion end in "Out of stack space" (28)
// instead of overflowing the stack.
//
// StackGuard::Scope marks an entry point (AddCode, Run): while it lives, Check()
// throws ScriptException(28) once the stack has grown by the budget measured from
// the thread's real stack size. Scopes nest (only the outermost sets the bound).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ob::vbscript {

/// The lowest address the stack of this thread may reach; 0: no bound. Read on
/// every statement and expression, hence inline and in the initial-exec model.
extern thread_local std::uintptr_t tStackLimit __attribute__((tls_model("initial-exec")));

class StackGuard {
public:
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        bool outermost_ = false;
    };

    /// Throws ScriptException(28) when the stack is deeper than the bound.
    static void Check() {
        if (tStackLimit != 0 &&
            reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < tStackLimit) {
            Overflow();
        }
    }

private:
    [[noreturn]] static void Overflow();
};

} // namespace ob::vbscript
