#include "common/time_parameter_error.h"

#include "variables/variable_manager.h"

namespace ob::common {

void SetTimeParameterError() {
    try {
        ob::vars::MainStore().PutEnv(nullptr, "RS.LastError", kTimeParameterError,
                                     ob::vars::ENV_TRANSIENT);
    } catch (...) {
        // The result of the time function still carries the error.
    }
}

} // namespace ob::common
