// The FTP client's outcome variables (FTP.REPLY_CODE, FTP.LASTMSG, FTP.LASTLINE,
// FTP.WINSOCK and JR.LAST_ERROR) as transient variables of the variable store
// instance kept for the FTP client (vars::FtpStore()). Each library that links
// obcommon has its own instance; all of them write the one process environment,
// so the engine's -ftp service and the automation library's FTP classes publish
// to the same variables. Any thread.
#pragma once

#include "common/ftp/ftp_status_sink.h"

#include <optional>
#include <string>

namespace ob::common::ftp {

class FtpStatusVariables final : public FtpStatusSink {
public:
    void SetVariable(const char* name, std::string_view value) override;
    void SetLastError(std::string_view text) override;
};

/// The one instance of this library copy that sessions publish through.
FtpStatusVariables& StoreFtpStatus();

/// The transient value of one of the outcome variables, or nothing when unset.
std::optional<std::string> FtpStatusValue(const char* name);

} // namespace ob::common::ftp
