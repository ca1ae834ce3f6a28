// The runtime object's handle-based FTP methods (FtpConnect, FtpCd, FtpClose,
// FtpDel, FtpGet, FtpMkDir, FtpPut, FtpRmDir, FtpRename, FtpTest) over the FTP
// client of common/ftp. FtpConnect opens a session and hands the script an FTP
// session object (handle kind 209); the other methods take that handle.
//
// Each answers -1 on success and 0 with S_FALSE on failure; the client publishes
// the reason in FTP.REPLY_CODE, FTP.LASTMSG, FTP.LASTLINE, FTP.WINSOCK and
// JR.LAST_ERROR. A handle that names no FTP session object (0, freed, forged, of
// another kind) is a failure that publishes nothing.
//
// FtpClose closes the session but leaves the handle to the script: operations on
// it then fail with 12019 (the handle is not in the right state), a second
// FtpClose fails, and FreeHandle releases it (-1) without closing anything twice.
// FreeHandle of a session that is still open closes it first.
//
// The port is the 16-bit parameter as given: 0 means 21, and ports above 32767 are
// written as the port less 65536 (-1 for 65535), as the unsigned value they stand
// for. Apartment threaded; calls on one session from several threads are
// serialised by the session object's lock.
#pragma once

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/automation/handle_table.h"

#include "common/ftp/ftp_session.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace ob::corelib {

/// An FTP session object: the session and whether FtpClose has closed it.
class FtpSessionPayload final : public HandlePayload {
public:
    static constexpr HandleKind kKind = HandleKind::FtpSession;

    FtpSessionPayload();
    HandleKind Kind() const override { return kKind; }
    /// FreeHandle: closes the session unless FtpClose already did.
    bool Close() override;

    std::mutex& Lock() { return lock_; }
    common::ftp::FtpSession& Session() { return session_; }
    /// FtpClose: false when the session was closed already. Call with Lock() held.
    bool CloseOnce();

private:
    std::mutex lock_;
    common::ftp::FtpSession session_;
    bool closed_ = false;
};

I4Result FtpConnect(const std::string& host, std::int16_t port, const std::string& user,
                    const std::string& password);
I4Result FtpClose(std::int32_t handle);
I4Result FtpCd(std::int32_t handle, const std::string& directory);
I4Result FtpDel(std::int32_t handle, const std::string& file);
I4Result FtpMkDir(std::int32_t handle, const std::string& directory);
I4Result FtpRmDir(std::int32_t handle, const std::string& directory);
I4Result FtpRename(std::int32_t handle, const std::string& from, const std::string& to);
/// Binary transfer when `binary` is non-zero, text (ASCII) otherwise.
I4Result FtpGet(std::int32_t handle, const std::string& remote, const std::string& local,
                std::int32_t binary);
I4Result FtpPut(std::int32_t handle, const std::string& local, const std::string& remote,
                std::int32_t binary);
/// -1 when the name is a directory or the pattern after its last "/" matches an
/// entry of its directory.
I4Result FtpTest(std::int32_t handle, const std::string& name);

} // namespace ob::corelib
