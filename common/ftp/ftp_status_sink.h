// Where an FTP session publishes the outcome of each operation: the caller's
// variables. The engine's -ftp service writes them to its variable store; the
// automation library writes them to its own copy. The session calls the sink on
// the thread that runs the operation.
#pragma once

#include <string_view>

namespace ob::common::ftp {

inline constexpr const char* kReplyCodeVariable = "FTP.REPLY_CODE";
inline constexpr const char* kLastMessageVariable = "FTP.LASTMSG";
inline constexpr const char* kLastLineVariable = "FTP.LASTLINE";
inline constexpr const char* kWinsockVariable = "FTP.WINSOCK";

class FtpStatusSink {
public:
    virtual ~FtpStatusSink() = default;
    /// Sets the transient variable `name` (one of the four above); an empty value
    /// deletes it.
    virtual void SetVariable(const char* name, std::string_view value) = 0;
    /// Sets the caller's last-error text (JR.LAST_ERROR); empty deletes it.
    virtual void SetLastError(std::string_view text) = 0;
};

} // namespace ob::common::ftp
