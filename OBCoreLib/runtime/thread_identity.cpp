#include "OBCoreLib/runtime/thread_identity.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace ob::corelib {
namespace {

struct ThreadState {
    bool active = false;
    bool changed = false; ///< false when the token was the thread's own identity
    security::Token token;
    const void* owner = nullptr;
    uid_t savedUid = 0;
    gid_t savedGid = 0;
    std::vector<gid_t> savedGroups;
};

thread_local ThreadState state;

// The raw calls act on the calling thread only.
bool SetGroups(const std::vector<gid_t>& groups) {
    return ::syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

bool SetEffectiveGid(gid_t gid) {
    return ::syscall(SYS_setresgid, -1, gid, -1) == 0;
}

bool SetEffectiveUid(uid_t uid) {
    return ::syscall(SYS_setresuid, -1, uid, -1) == 0;
}

std::vector<gid_t> CurrentGroups() {
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0 && ::getgroups(count, groups.data()) != count) {
        groups.clear();
    }
    return groups;
}

std::vector<gid_t> Sorted(std::vector<gid_t> groups) {
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    return groups;
}

// Gives the thread the saved ids back; false when any call failed.
bool Restore() {
    bool ok = SetEffectiveUid(state.savedUid);
    ok = SetEffectiveGid(state.savedGid) && ok;
    ok = SetGroups(state.savedGroups) && ok;
    return ok;
}

} // namespace

bool ImpersonateOnThread(const security::Token& token) {
    if (state.active && !RevertThread()) {
        return false;
    }
    state.savedUid = ::geteuid();
    state.savedGid = ::getegid();
    state.savedGroups = CurrentGroups();
    state.changed = !(token.uid == state.savedUid && token.gid == state.savedGid &&
                      Sorted(token.groups) == Sorted(state.savedGroups));
    if (state.changed) {
        // Groups first and the user last: only root may change the groups.
        if (!SetGroups(token.groups) || !SetEffectiveGid(token.gid) ||
            !SetEffectiveUid(token.uid)) {
            Restore();
            return false;
        }
    }
    state.active = true;
    state.token = token;
    state.owner = nullptr;
    return true;
}

bool RevertThread() {
    if (!state.active) {
        return true;
    }
    if (state.changed && !Restore()) {
        return false;
    }
    state.active = false;
    state.owner = nullptr;
    return true;
}

bool ThreadImpersonates() {
    return state.active;
}

void SetImpersonationOwner(const void* owner) {
    state.owner = owner;
}

const void* ImpersonationOwner() {
    return state.active ? state.owner : nullptr;
}

SuspendedImpersonation::SuspendedImpersonation() {
    if (state.active) {
        token_ = state.token;
        owner_ = state.owner;
        suspended_ = RevertThread();
    }
}

SuspendedImpersonation::~SuspendedImpersonation() {
    if (suspended_ && ImpersonateOnThread(token_)) {
        SetImpersonationOwner(owner_);
    }
}

} // namespace ob::corelib
