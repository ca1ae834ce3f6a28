#include "common/ftp/ftp_status_variables.h"

#include "variables/variable_manager.h"

namespace ob::common::ftp {

void FtpStatusVariables::SetVariable(const char* name, std::string_view value) {
    const std::string text(value);
    vars::FtpStore().PutEnv(nullptr, name, text.empty() ? nullptr : text.c_str(),
                            vars::ENV_TRANSIENT);
}

void FtpStatusVariables::SetLastError(std::string_view text) {
    const std::string copy(text);
    vars::FtpStore().SetLastErrorText(copy.c_str());
}

FtpStatusVariables& StoreFtpStatus() {
    static FtpStatusVariables status;
    return status;
}

std::optional<std::string> FtpStatusValue(const char* name) {
    return vars::FtpStore().Get(nullptr, name, vars::ENV_TRANSIENT);
}

} // namespace ob::common::ftp
