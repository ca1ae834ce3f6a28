#include "engine/services/ftp_status_variables.h"

#include "engine/variables/variable_manager.h"

#include <string>

namespace ob::engine {

void FtpStatusVariables::SetVariable(const char* name, std::string_view value) {
    const std::string text(value);
    vars::FtpStore().PutEnv(nullptr, name, text.empty() ? nullptr : text.c_str(),
                            vars::ENV_TRANSIENT);
}

void FtpStatusVariables::SetLastError(std::string_view text) {
    const std::string copy(text);
    vars::FtpStore().SetLastErrorText(copy.c_str());
}

FtpStatusVariables& EngineFtpStatus() {
    static FtpStatusVariables status;
    return status;
}

} // namespace ob::engine
