// The variable exports: thin wrappers over the library's main variable store. They
// take the store's lock, never the session lock.

#include "obrenta/obrenta.h"
#include "variables/variable_manager.h"

namespace {

using ob::vars::MainStore;

} // namespace

extern "C" {

OB_EXPORT char* OB_GetEnv(const char* section, const char* name, uint32_t mode) {
    if (name == nullptr) {
        return nullptr;
    }
    try {
        return MainStore().GetEnv(section, name, mode);
    } catch (...) {
        return nullptr;
    }
}

OB_EXPORT int32_t OB_PutEnv(const char* section, const char* name, const char* value,
                            uint32_t mode) {
    try {
        return MainStore().PutEnv(section, name, value, mode);
    } catch (...) {
        return -1;
    }
}

OB_EXPORT char* OB_GetProfileString(const char* section, const char* name) {
    return OB_GetEnv(section, name, ENV_PERSISTENT | ENV_FORCE);
}

OB_EXPORT uint32_t OB_WriteProfileString(const char* section, const char* name, const char* value) {
    return OB_PutEnv(section, name, value, ENV_PERSISTENT) == 0 ? 1u : 0u;
}

OB_EXPORT uint32_t OB_GeneralError(const char* text) {
    OB_PutEnv(nullptr, "JR.LAST_ERROR", text, ENV_TRANSIENT);
    return OB_OK;
}

OB_EXPORT void OB_ReleaseEnvString(char* text) {
    ob::vars::ReleaseEnvString(text);
}

} // extern "C"
