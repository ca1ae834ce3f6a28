#include "engine/services/unavailable_service.h"

#include "engine/variables/variable_manager.h"
#include "obrenta/service.h"
#include "platform/text/ascii_case.h"

#include <string>

namespace ob::engine {
namespace {

/// No sub-command: result 1. "NAME.VERSION": the version text, result 0. Anything
/// else: the failure of a service that is not available.
std::int32_t Unavailable(const char* const* words, const char* versionName, const char* version) {
    if (words == nullptr || words[0] == nullptr || words[1] == nullptr) {
        return OB_SVC_BAD_FORMAT;
    }
    vars::CVariableManager& store = vars::MainStore();
    if (text::EqualsIgnoringCase(words[1], versionName)) {
        store.PutEnv(nullptr, versionName, version, vars::ENV_TRANSIENT);
        return OB_SVC_OK;
    }
    store.SetLastErrorText(kNotAvailableText);
    return OB_SVC_FAILED;
}

} // namespace

std::int32_t ImageService(const char* const* words) {
    return Unavailable(words, "IMAGE.VERSION", "Obrenta IMAGE version 2.0");
}

} // namespace ob::engine
