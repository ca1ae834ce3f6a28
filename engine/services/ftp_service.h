// The built-in FTP service (-action -ftp SUBCOMMAND handle arguments...): a thin
// command layer over the FTP client (common/ftp/ftp_session.h). CONNECT keeps a
// connection in the service handle table and stores its handle text in the
// variable the script names; later calls name that variable. The client publishes
// each outcome in FTP.REPLY_CODE, FTP.LASTMSG, FTP.LASTLINE, FTP.WINSOCK and
// JR.LAST_ERROR. Any thread; calls on one connection are serialised.
#pragma once

#include <cstdint>

namespace ob::engine {

inline constexpr const char* kFtpVersionText = "Obrenta FTP version 2.0";

/// The service's entry point (service_main form). Result codes: 0 success, 1 no
/// sub-command or no handle variable name, 2 a required word missing, 3 bad handle,
/// 4 the operation failed (JR.LAST_ERROR set), 5 PASS, FIREUSER and FIREPASS,
/// 6 unknown sub-command.
std::int32_t FtpService(const char* const* words);

} // namespace ob::engine
