// Impersonation: the calling thread takes on an account's effective user, group
// and supplementary groups, so that what it opens and creates is checked against,
// and owned by, that account; RevertToSelf gives the thread its own ids back.
//
// The change is made with the raw system calls (setgroups, setresgid, setresuid
// through syscall(2)), which act on the calling thread alone; the C library's
// wrappers would change every thread of the process. Only the effective ids change:
// the real and saved ids stay, so the thread can always return. Changing to another
// account needs root; a thread may always "change" to the identity it already has.
// A child process inherits the ids of the thread that starts it, so the runtime
// object's launch methods set the impersonation aside while they start a program
// (SuspendedImpersonation): programs run with the process's identity, or the one
// the launch gives them. Thread of the caller; per thread.
#pragma once

#include "platform/security/logon.h"

namespace ob::corelib {

/// Starts impersonating (ending an earlier impersonation of this thread first);
/// false, with the thread's own identity kept, when the system refuses.
[[nodiscard]] bool ImpersonateOnThread(const security::Token& token);

/// Ends this thread's impersonation; true also when there was none.
bool RevertThread();

/// True while this thread impersonates.
bool ThreadImpersonates();

/// Ends this thread's impersonation for a scope and takes it up again afterwards.
class SuspendedImpersonation {
public:
    SuspendedImpersonation();
    ~SuspendedImpersonation();
    SuspendedImpersonation(const SuspendedImpersonation&) = delete;
    SuspendedImpersonation& operator=(const SuspendedImpersonation&) = delete;

private:
    bool suspended_ = false;
    security::Token token_;
    const void* owner_ = nullptr;
};

/// Whose impersonation it is: the runtime object that began it (any pointer
/// identifying the owner), so that the owner can end it when it goes away.
void SetImpersonationOwner(const void* owner);
const void* ImpersonationOwner();

} // namespace ob::corelib
