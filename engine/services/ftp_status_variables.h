// The FTP client's outcome variables (FTP.REPLY_CODE, FTP.LASTMSG, FTP.LASTLINE,
// FTP.WINSOCK and JR.LAST_ERROR) as transient variables of the engine's store
// kept for the FTP client. Any thread.
#pragma once

#include "common/ftp/ftp_status_sink.h"

namespace ob::engine {

class FtpStatusVariables final : public common::ftp::FtpStatusSink {
public:
    void SetVariable(const char* name, std::string_view value) override;
    void SetLastError(std::string_view text) override;
};

/// The one instance the -ftp service's sessions publish through.
FtpStatusVariables& EngineFtpStatus();

} // namespace ob::engine
