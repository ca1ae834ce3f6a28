// The ftp object (class ftp, interface Iftp, "OBCoreLib.ftp"): one FTP connection
// for a script, with its connection properties, single-file, wildcard and
// recursive transfers, and a call log (ftp_call_log.h). Its 28 members keep the
// interface's slot order and dispatch ids 1 to 28 (FtpMembers()).
//
// The work is done by the FTP client (common/ftp/ftp_session.h), which publishes
// every outcome in FTP.REPLY_CODE, FTP.LASTMSG, FTP.LASTLINE, FTP.WINSOCK and
// JR.LAST_ERROR. No member raises an error for a failed operation: the operation
// methods answer 0 on success, otherwise the error number that FTP.REPLY_CODE
// received, with S_FALSE. The number is the session's own, so another object
// failing on another thread at the same moment cannot turn a failure into 0.
//
// Without a session (before Connect, after a failed Connect, after Disconnect)
// every operation fails with 12019 (the handle is not in the right state) and
// Disconnect answers S_FALSE; nothing reaches a server.
//
// Properties may change at any time and take effect at the next Connect. Passive
// is kept and logged only: the client always opens passive data connections.
// TextTypes is the text-type list of this library's FTP client, shared by every
// ftp object and the runtime object's Ftp methods of the process (not by the
// engine's -ftp service, which has a list of its own).
//
// Apartment threaded: an object is used by the thread of the script that created
// it.
#pragma once

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/ftp/ftp_call_log.h"

#include "common/ftp/ftp_session.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace ob::corelib {

/// The transfer, delete and directory methods, which share their outcome rules.
enum class FtpOperation {
    kGet,
    kDel,
    kPut,
    kRename,
    kRGet,
    kRDel,
    kMGet,
    kRPut,
    kMPut,
    kMDel,
    kCd,
    kMkdir,
    kRmdir,
};

/// The text properties.
enum class FtpText { kServer, kUserName, kPassword };

class FtpObject final : public AutomationObject {
public:
    FtpObject();

    std::string Text(FtpText property) const;
    void SetText(FtpText property, std::string value);
    std::uint32_t Port() const;
    void SetPort(std::uint32_t port);
    bool Passive() const;
    void SetPassive(bool passive);
    std::string TextTypes() const;
    void SetTextTypes(const std::string& types);

    /// Opens a new session with the properties (an open one is closed first).
    I4Result Connect();
    /// Closes the session; S_FALSE when there is none.
    HResult Disconnect();
    /// FTP.REPLY_CODE as a number, 0 when unset.
    std::int32_t GetLastError() const;
    /// Sets FTP.REPLY_CODE to "0".
    void ClearLastError() const;
    /// The text of an error number; "No Error(0)" for 0.
    std::string GetErrorString(std::int32_t code) const;
    /// FTP.LASTLINE, "" when unset.
    std::string GetLastResponse() const;
    /// Starts the call log; -1, or 0 with S_FALSE (and the log off) when the file
    /// cannot be created.
    I4Result InitLogFile(const std::string& fileName);
    void LogFileWrite(const std::string& text) const;
    /// True when `name` is a directory or its pattern matches a listed entry.
    bool Test(const std::string& name);
    /// One of the operation methods with its converted arguments (names, then the
    /// mode where it has one).
    I4Result Run(FtpOperation operation, const CallArgs& args);

private:
    /// 0 for success, else the session's error number with S_FALSE.
    I4Result Outcome(bool ok) const;

    common::ftp::FtpSession session_;
    FtpCallLog log_;
    std::string server_;
    std::string userName_;
    std::string password_;
    std::uint32_t port_ = 0;
    bool passive_ = false;
};

/// The members of Iftp in slot order.
std::span<const MemberInfo> FtpMembers();

/// The class table's factory: a new object without a session.
std::shared_ptr<vbscript::Object> MakeFtpObject();

} // namespace ob::corelib
