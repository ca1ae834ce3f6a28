// The two instances of the store that live as long as the library: one serves the
// exports, actions and services, the other the FTP client's status variables. Both
// share the environment and the settings store; each has its own lock.
#include "platform/lifetime/immortal.h"
#include "variables/variable_manager.h"

namespace ob::vars {

CVariableManager& MainStore() {
    static Immortal<CVariableManager> store;
    return store.Get();
}

CVariableManager& FtpStore() {
    static Immortal<CVariableManager> store;
    return store.Get();
}

} // namespace ob::vars
