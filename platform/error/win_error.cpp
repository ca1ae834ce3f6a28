// errno -> Windows code mapping, the system texts of the codes this product shows,
// and the per-thread last error.
#include "platform/error/win_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

namespace ob::error {
namespace {

constexpr std::uint32_t kGenFailure = 31;    // ERROR_GEN_FAILURE
constexpr std::uint32_t kWsaInvalid = 10022; // WSAEINVAL

struct ErrnoCode {
    int err;
    std::uint32_t code;
};

// errno values of file, process and memory calls and the Windows code a Windows
// program would have seen for the same failure. Choices that need a word:
//   ENOTDIR  -> 3   a path component is not a directory: "path not found"
//   EISDIR   -> 5   opening a directory as a file is "access denied" on Windows
//   EEXIST   -> 183 (callers creating a plain file may prefer 80, "file exists")
//   ETXTBSY  -> 32  the file is in use by a running program: sharing violation
//   ENOEXEC  -> 193 not a program the system can start
//   EDQUOT   -> 112 out of quota reads as "not enough space on the disk"
//   ELOOP    -> 1921 a symbolic-link loop: the name cannot be resolved
//   ETIMEDOUT-> 1460 (non-socket waits; socket calls use SocketFromErrno)
// Socket-only errno values fall through to the WSA table, as GetLastError does
// after a failed socket call.
constexpr std::array kErrnoTable{
    ErrnoCode{0, 0},
    ErrnoCode{EPERM, 5},
    ErrnoCode{ENOENT, 2},
    ErrnoCode{EIO, 1117},
    ErrnoCode{ENXIO, 20},
    ErrnoCode{E2BIG, 10},
    ErrnoCode{ENOEXEC, 193},
    ErrnoCode{EBADF, 6},
    ErrnoCode{ECHILD, 128},
    ErrnoCode{ENOMEM, 8},
    ErrnoCode{EACCES, 5},
    ErrnoCode{EFAULT, 487},
    ErrnoCode{EBUSY, 170},
    ErrnoCode{EEXIST, 183},
    ErrnoCode{EXDEV, 17},
    ErrnoCode{ENODEV, 20},
    ErrnoCode{ENOTDIR, 3},
    ErrnoCode{EISDIR, 5},
    ErrnoCode{EINVAL, 87},
    ErrnoCode{ENFILE, 4},
    ErrnoCode{EMFILE, 4},
    ErrnoCode{ENOTTY, 1},
    ErrnoCode{ETXTBSY, 32},
    ErrnoCode{EFBIG, 223},
    ErrnoCode{ENOSPC, 112},
    ErrnoCode{ESPIPE, 132},
    ErrnoCode{EROFS, 19},
    ErrnoCode{EPIPE, 109},
    ErrnoCode{ENAMETOOLONG, 206},
    ErrnoCode{ENOSYS, 50},
    ErrnoCode{ENOTEMPTY, 145},
    ErrnoCode{ELOOP, 1921},
    ErrnoCode{EDQUOT, 112},
    ErrnoCode{ETIMEDOUT, 1460},
    ErrnoCode{ECANCELED, 995},
    ErrnoCode{EILSEQ, 1113},
    ErrnoCode{ENOTSUP, 50},
};

// errno values of socket calls and their Winsock numbers. EAGAIN and EWOULDBLOCK
// are the same value on Linux; EPIPE (send after the peer or we shut down) reads
// as WSAESHUTDOWN; ENOMEM as WSAENOBUFS.
constexpr std::array kSocketTable{
    ErrnoCode{0, 0},
    ErrnoCode{EINTR, 10004},
    ErrnoCode{EBADF, 10009},
    ErrnoCode{EACCES, 10013},
    ErrnoCode{EPERM, 10013},
    ErrnoCode{EFAULT, 10014},
    ErrnoCode{EINVAL, 10022},
    ErrnoCode{EMFILE, 10024},
    ErrnoCode{ENFILE, 10024},
    ErrnoCode{EWOULDBLOCK, 10035},
    ErrnoCode{EINPROGRESS, 10036},
    ErrnoCode{EALREADY, 10037},
    ErrnoCode{ENOTSOCK, 10038},
    ErrnoCode{EDESTADDRREQ, 10039},
    ErrnoCode{EMSGSIZE, 10040},
    ErrnoCode{EPROTOTYPE, 10041},
    ErrnoCode{ENOPROTOOPT, 10042},
    ErrnoCode{EPROTONOSUPPORT, 10043},
    ErrnoCode{ESOCKTNOSUPPORT, 10044},
    ErrnoCode{EOPNOTSUPP, 10045},
    ErrnoCode{EPFNOSUPPORT, 10046},
    ErrnoCode{EAFNOSUPPORT, 10047},
    ErrnoCode{EADDRINUSE, 10048},
    ErrnoCode{EADDRNOTAVAIL, 10049},
    ErrnoCode{ENETDOWN, 10050},
    ErrnoCode{ENETUNREACH, 10051},
    ErrnoCode{ENETRESET, 10052},
    ErrnoCode{ECONNABORTED, 10053},
    ErrnoCode{ECONNRESET, 10054},
    ErrnoCode{ENOBUFS, 10055},
    ErrnoCode{ENOMEM, 10055},
    ErrnoCode{EISCONN, 10056},
    ErrnoCode{ENOTCONN, 10057},
    ErrnoCode{ESHUTDOWN, 10058},
    ErrnoCode{EPIPE, 10058},
    ErrnoCode{ETOOMANYREFS, 10059},
    ErrnoCode{ETIMEDOUT, 10060},
    ErrnoCode{ECONNREFUSED, 10061},
    ErrnoCode{ELOOP, 10062},
    ErrnoCode{ENAMETOOLONG, 10063},
    ErrnoCode{EHOSTDOWN, 10064},
    ErrnoCode{EHOSTUNREACH, 10065},
    ErrnoCode{ENOTEMPTY, 10066},
    ErrnoCode{EUSERS, 10068},
    ErrnoCode{EDQUOT, 10069},
    ErrnoCode{ESTALE, 10070},
    ErrnoCode{EREMOTE, 10071},
};

// errno values that only socket calls produce: FromErrno answers these with the
// WSA number instead of the generic failure.
constexpr std::array kSocketOnlyErrnos{
    EWOULDBLOCK,  EINPROGRESS,  EALREADY,        ENOTSOCK,        EDESTADDRREQ, EMSGSIZE,
    EPROTOTYPE,   ENOPROTOOPT,  EPROTONOSUPPORT, ESOCKTNOSUPPORT, EOPNOTSUPP,   EPFNOSUPPORT,
    EAFNOSUPPORT, EADDRINUSE,   EADDRNOTAVAIL,   ENETDOWN,        ENETUNREACH,  ENETRESET,
    ECONNABORTED, ECONNRESET,   ENOBUFS,         EISCONN,         ENOTCONN,     ESHUTDOWN,
    ETOOMANYREFS, ECONNREFUSED, EHOSTDOWN,       EHOSTUNREACH,
};

struct CodeText {
    std::uint32_t code;
    std::string_view text;
};

// The English system texts, worded as the system words them, without the final
// line break (added on the way out). Sorted by code.
constexpr std::array kTexts{
    CodeText{0, "The operation completed successfully."},
    CodeText{1, "Incorrect function."},
    CodeText{2, "The system cannot find the file specified."},
    CodeText{3, "The system cannot find the path specified."},
    CodeText{4, "The system cannot open the file."},
    CodeText{5, "Access is denied."},
    CodeText{6, "The handle is invalid."},
    CodeText{8, "Not enough memory resources are available to process this command."},
    CodeText{10, "The environment is incorrect."},
    CodeText{13, "The data is invalid."},
    CodeText{14, "Not enough memory resources are available to complete this operation."},
    CodeText{15, "The system cannot find the drive specified."},
    CodeText{16, "The directory cannot be removed."},
    CodeText{17, "The system cannot move the file to a different disk drive."},
    CodeText{18, "There are no more files."},
    CodeText{19, "The media is write protected."},
    CodeText{20, "The system cannot find the device specified."},
    CodeText{21, "The device is not ready."},
    CodeText{31, "A device attached to the system is not functioning."},
    CodeText{32, "The process cannot access the file because it is being used by another "
                 "process."},
    CodeText{33, "The process cannot access the file because another process has locked a "
                 "portion of the file."},
    CodeText{38, "Reached the end of the file."},
    CodeText{39, "The disk is full."},
    CodeText{50, "The request is not supported."},
    CodeText{53, "The network path was not found."},
    CodeText{64, "The specified network name is no longer available."},
    CodeText{67, "The network name cannot be found."},
    CodeText{80, "The file exists."},
    CodeText{82, "The directory or file cannot be created."},
    CodeText{87, "The parameter is incorrect."},
    CodeText{109, "The pipe has been ended."},
    CodeText{110, "The system cannot open the device or file specified."},
    CodeText{111, "The file name is too long."},
    CodeText{112, "There is not enough space on the disk."},
    CodeText{120, "This function is not supported on this system."},
    CodeText{122, "The data area passed to a system call is too small."},
    CodeText{123, "The filename, directory name, or volume label syntax is incorrect."},
    CodeText{126, "The specified module could not be found."},
    CodeText{127, "The specified procedure could not be found."},
    CodeText{128, "There are no child processes to wait for."},
    CodeText{132, "The file pointer cannot be set on the specified device or file."},
    CodeText{145, "The directory is not empty."},
    CodeText{161, "The specified path is invalid."},
    CodeText{170, "The requested resource is in use."},
    CodeText{183, "Cannot create a file when that file already exists."},
    // Inserts are ignored, so "%1" stays as it is.
    CodeText{193, "%1 is not a valid Win32 application."},
    CodeText{203, "The system could not find the environment option that was entered."},
    CodeText{206, "The filename or extension is too long."},
    CodeText{223, "The file size exceeds the limit allowed and cannot be saved."},
    CodeText{232, "The pipe is being closed."},
    CodeText{234, "More data is available."},
    CodeText{258, "The wait operation timed out."},
    CodeText{259, "No more data is available."},
    CodeText{267, "The directory name is invalid."},
    CodeText{487, "Attempt to access invalid address."},
    CodeText{740, "The requested operation requires elevation."},
    CodeText{995, "The I/O operation has been aborted because of either a thread exit or an "
                  "application request."},
    CodeText{1008, "An attempt was made to reference a token that does not exist."},
    CodeText{1009, "The configuration registry database is corrupt."},
    CodeText{1010, "The configuration registry key is invalid."},
    CodeText{1011, "The configuration registry key could not be opened."},
    CodeText{1012, "The configuration registry key could not be read."},
    CodeText{1013, "The configuration registry key could not be written."},
    CodeText{1016, "An I/O operation initiated by the registry failed unrecoverably. The registry "
                   "could not read in, or write out, or flush, one of the files that contain the "
                   "system's image of the registry."},
    CodeText{1018, "Illegal operation attempted on a registry key that has been marked for "
                   "deletion."},
    CodeText{1060, "The specified service does not exist as an installed service."},
    CodeText{1113, "No mapping for the Unicode character exists in the target multi-byte code "
                   "page."},
    CodeText{1114, "A dynamic link library (DLL) initialization routine failed."},
    CodeText{1117, "The request could not be performed because of an I/O device error."},
    CodeText{1155, "No application is associated with the specified file for this operation."},
    CodeText{1156, "An error occurred in sending the command to the application."},
    CodeText{1157, "One of the library files needed to run this application cannot be found."},
    CodeText{1223, "The operation was canceled by the user."},
    CodeText{1311, "There are currently no logon servers available to service the logon "
                   "request."},
    CodeText{1314, "A required privilege is not held by the client."},
    CodeText{1317, "The specified account does not exist."},
    CodeText{1326, "The user name or password is incorrect."},
    CodeText{1327, "Account restrictions are preventing this user from signing in. For example: "
                   "blank passwords aren't allowed, sign-in times are limited, or a policy "
                   "restriction has been enforced."},
    CodeText{1328, "Your account has time restrictions that keep you from signing in right now."},
    CodeText{1329, "This user isn't allowed to sign in to this computer."},
    CodeText{1330, "The password for this account has expired."},
    CodeText{1331, "This user can't sign in because this account is currently disabled."},
    CodeText{1332, "No mapping between account names and security IDs was done."},
    CodeText{1385, "Logon failure: the user has not been granted the requested logon type at "
                   "this computer."},
    CodeText{1400, "Invalid window handle."},
    CodeText{1460, "This operation returned because the timeout period expired."},
    CodeText{1793, "The user's account has expired."},
    CodeText{1907, "The user's password must be changed before signing in."},
    CodeText{1909, "The referenced account is currently locked out and may not be logged on to."},
    CodeText{1921, "The name of the file cannot be resolved by the system."},
    CodeText{10004, "A blocking operation was interrupted by a call to WSACancelBlockingCall."},
    CodeText{10009, "The file handle supplied is not valid."},
    CodeText{10013, "An attempt was made to access a socket in a way forbidden by its access "
                    "permissions."},
    CodeText{10014, "The system detected an invalid pointer address in attempting to use a "
                    "pointer argument in a call."},
    CodeText{10022, "An invalid argument was supplied."},
    CodeText{10024, "Too many open sockets."},
    CodeText{10035, "A non-blocking socket operation could not be completed immediately."},
    CodeText{10036, "A blocking operation is currently executing."},
    CodeText{10037, "An operation was attempted on a non-blocking socket that already had an "
                    "operation in progress."},
    CodeText{10038, "An operation was attempted on something that is not a socket."},
    CodeText{10039, "A required address was omitted from an operation on a socket."},
    CodeText{10040, "A message sent on a datagram socket was larger than the internal message "
                    "buffer or some other network limit, or the buffer used to receive a "
                    "datagram into was smaller than the datagram itself."},
    CodeText{10041, "A protocol was "
                    "specified in the socket function call that does not support "
                    "the semantics of the socket type requested."},
    CodeText{10042, "An unknown, invalid, or unsupported option or level was "
                    "specified in a "
                    "getsockopt or setsockopt call."},
    CodeText{10043, "The requested protocol has not been configured into the system, or no "
                    "implementation for it exists."},
    CodeText{10044, "The support for the specified socket type does not exist in this address "
                    "family."},
    CodeText{10045, "The attempted operation is not supported for the type of object "
                    "referenced."},
    CodeText{10046, "The protocol family has not been configured into the system or no "
                    "implementation for it exists."},
    CodeText{10047, "An address incompatible with the requested protocol was used."},
    CodeText{10048, "Only one usage of each socket address (protocol/network address/port) is "
                    "normally permitted."},
    CodeText{10049, "The requested address is not valid in its context."},
    CodeText{10050, "A socket operation encountered a dead network."},
    CodeText{10051, "A socket operation was attempted to an unreachable network."},
    CodeText{10052, "The connection has been broken due to keep-alive activity detecting a "
                    "failure while the operation was in progress."},
    CodeText{10053, "An established connection was aborted by the software in your host "
                    "machine."},
    CodeText{10054, "An existing connection was forcibly closed by the remote host."},
    CodeText{10055, "An operation on a socket could not be performed because the system lacked "
                    "sufficient buffer space or because a queue was full."},
    CodeText{10056, "A connect request was made on an already connected socket."},
    CodeText{10057, "A request to send or receive data was disallowed because the socket is not "
                    "connected and (when sending on a datagram socket using a sendto call) no "
                    "address was supplied."},
    CodeText{10058, "A request to send or receive data was disallowed because the socket had "
                    "already been shut down in that direction with a previous shutdown call."},
    CodeText{10059, "Too many references to some kernel object."},
    CodeText{10060, "A connection attempt failed because the connected party did not properly "
                    "respond after a period of time, or established connection failed because "
                    "connected host has failed to respond."},
    CodeText{10061, "No connection could be made because the target machine actively refused "
                    "it."},
    CodeText{10062, "Cannot translate name."},
    CodeText{10063, "Name component or name was too long."},
    CodeText{10064, "A socket operation failed because the destination host was down."},
    CodeText{10065, "A socket operation was attempted to an unreachable host."},
    CodeText{10066, "Directory not empty."},
    CodeText{10068, "Ran out of quota."},
    CodeText{10069, "Ran out of disk quota."},
    CodeText{10070, "File handle reference is no longer available."},
    CodeText{10071, "Item is not available locally."},
    CodeText{10093, "Either the application has not called WSAStartup, or WSAStartup failed."},
    CodeText{11001, "No such host is known."},
    CodeText{11002, "This is usually a temporary error during hostname resolution and means that "
                    "the local server did not receive a response from an authoritative server."},
    CodeText{11003, "A non-recoverable error occurred during a database lookup."},
    CodeText{11004, "The requested name is valid, but no data of the requested type was found."},
};

constexpr bool SortedByCode() {
    for (std::size_t i = 1; i < kTexts.size(); ++i) {
        if (kTexts[i - 1].code >= kTexts[i].code) {
            return false;
        }
    }
    return true;
}
static_assert(SortedByCode(), "the text table is searched by bisection");

template <std::size_t N>
const ErrnoCode* FindErrno(const std::array<ErrnoCode, N>& table, int err) {
    auto it = std::find_if(table.begin(), table.end(),
                           [err](const ErrnoCode& e) { return e.err == err; });
    return it == table.end() ? nullptr : &*it;
}

thread_local std::uint32_t t_lastError = 0;

} // namespace

std::uint32_t FromErrno(int err) {
    if (const ErrnoCode* e = FindErrno(kErrnoTable, err)) {
        return e->code;
    }
    if (std::find(kSocketOnlyErrnos.begin(), kSocketOnlyErrnos.end(), err) !=
        kSocketOnlyErrnos.end()) {
        return SocketFromErrno(err);
    }
    return kGenFailure;
}

std::uint32_t SocketFromErrno(int err) {
    if (const ErrnoCode* e = FindErrno(kSocketTable, err)) {
        return e->code;
    }
    return kWsaInvalid;
}

bool MessageText(std::uint32_t code, std::string& text, std::uint32_t* lookupError) {
    auto it =
        std::lower_bound(kTexts.begin(), kTexts.end(), code,
                         [](const CodeText& entry, std::uint32_t c) { return entry.code < c; });
    if (it == kTexts.end() || it->code != code) {
        text.clear();
        if (lookupError != nullptr) {
            *lookupError = ERROR_MR_MID_NOT_FOUND;
        }
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return false;
    }
    try {
        text.assign(it->text);
        text += "\r\n";
    } catch (...) {
        // The text could not be stored: report it as FormatMessage reports a failed
        // allocation.
        text.clear();
        if (lookupError != nullptr) {
            *lookupError = ERROR_NOT_ENOUGH_MEMORY;
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (lookupError != nullptr) {
        *lookupError = ERROR_SUCCESS;
    }
    return true;
}

std::uint32_t GetLastError() {
    return t_lastError;
}

void SetLastError(std::uint32_t code) {
    t_lastError = code;
}

} // namespace ob::error
