#include "OBCoreLib/runtime/ftp_methods.h"

#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_status_variables.h"
#include "common/ftp/ftp_text_types.h"

namespace ob::corelib {
namespace {

using common::ftp::FtpSession;

I4Result Outcome(bool ok) {
    return ok ? I4Result{HResult::Ok, Truth(true)} : I4Result{HResult::False, Truth(false)};
}

// Runs `operation` on the session of an FTP session object, under its lock.
template <typename Operation> I4Result OnSession(std::int32_t handle, Operation&& operation) {
    const auto payload = HandleTable::Process().FindAs<FtpSessionPayload>(handle);
    if (!payload) {
        return Outcome(false);
    }
    std::lock_guard lock(payload->Lock());
    return Outcome(operation(payload->Session()));
}

int ModeOf(std::int32_t binary) {
    return binary != 0 ? common::ftp::kModeBinary : common::ftp::kModeAscii;
}

} // namespace

FtpSessionPayload::FtpSessionPayload() : session_(common::ftp::StoreFtpStatus()) {}

bool FtpSessionPayload::CloseOnce() {
    if (closed_) {
        return false;
    }
    closed_ = true;
    return session_.Close();
}

bool FtpSessionPayload::Close() {
    std::lock_guard lock(lock_);
    // After FtpClose only the handle is left to release.
    return closed_ || CloseOnce();
}

I4Result FtpConnect(const std::string& host, std::int16_t port, const std::string& user,
                    const std::string& password) {
    auto payload = std::make_shared<FtpSessionPayload>();
    common::ftp::FtpConnectOptions options;
    options.host = host;
    options.port = static_cast<std::uint16_t>(port);
    options.user = user;
    options.password = password;
    if (!payload->Session().Connect(options)) {
        return {HResult::False, 0};
    }
    const std::int32_t handle = HandleTable::Process().Add(payload);
    if (handle == 0) {
        // No handle to give: the session must not count as opened.
        payload->Session().Close();
        static_cast<void>(payload->Session().Refuse(common::ftp::kErrorNotEnoughMemory));
        return {HResult::False, 0};
    }
    return {HResult::Ok, handle};
}

I4Result FtpClose(std::int32_t handle) {
    const auto payload = HandleTable::Process().FindAs<FtpSessionPayload>(handle);
    if (!payload) {
        return Outcome(false);
    }
    std::lock_guard lock(payload->Lock());
    return Outcome(payload->CloseOnce());
}

I4Result FtpCd(std::int32_t handle, const std::string& directory) {
    return OnSession(handle, [&](FtpSession& s) { return s.Cd(directory); });
}

I4Result FtpDel(std::int32_t handle, const std::string& file) {
    return OnSession(handle, [&](FtpSession& s) { return s.Delete(file); });
}

I4Result FtpMkDir(std::int32_t handle, const std::string& directory) {
    return OnSession(handle, [&](FtpSession& s) { return s.Mkdir(directory); });
}

I4Result FtpRmDir(std::int32_t handle, const std::string& directory) {
    return OnSession(handle, [&](FtpSession& s) { return s.Rmdir(directory); });
}

I4Result FtpRename(std::int32_t handle, const std::string& from, const std::string& to) {
    return OnSession(handle, [&](FtpSession& s) { return s.Rename(from, to); });
}

I4Result FtpGet(std::int32_t handle, const std::string& remote, const std::string& local,
                std::int32_t binary) {
    return OnSession(handle, [&](FtpSession& s) { return s.Get(remote, local, ModeOf(binary)); });
}

I4Result FtpPut(std::int32_t handle, const std::string& local, const std::string& remote,
                std::int32_t binary) {
    return OnSession(handle, [&](FtpSession& s) { return s.Put(local, remote, ModeOf(binary)); });
}

I4Result FtpTest(std::int32_t handle, const std::string& name) {
    return OnSession(handle, [&](FtpSession& s) { return s.Test(name) > 0; });
}

} // namespace ob::corelib
