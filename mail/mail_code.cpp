#include "mail/mail_code.h"

#include <algorithm>
#include <array>

namespace ob::mail {
namespace {

struct CodeEntry {
    std::int32_t code;
    std::string_view text;
};

constexpr std::string_view kFileNameRun = "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX";

constexpr std::array kCodeTexts{
    CodeEntry{-67, "Cannot create file XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"},
    CodeEntry{-35, "Cannot open file XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"},
    CodeEntry{-72, "Already attached."},
    CodeEntry{-70, "Missing path for attachments."},
    CodeEntry{-31, "Response buffer has overflowed."},
    CodeEntry{-32, "Bad character in email address."},
    CodeEntry{-5, "Bad status flag passed to seeStatus."},
    CodeEntry{-68, "Buffer is NULL."},
    CodeEntry{-69, "Buffer size < 128."},
    CodeEntry{-55, "Cannot allocate memory."},
    CodeEntry{-34, "Cannot access WINSOCK"},
    CodeEntry{0, "Cannot comply"},
    CodeEntry{-18, "Cannot create socket."},
    CodeEntry{-73, "Channel out of range."},
    CodeEntry{-36, "Error attempting to connect."},
    CodeEntry{-50, "SMTP/POP3 server not specified."},
    CodeEntry{-66, "Missing email path."},
    CodeEntry{-37, "EMPTY email address."},
    CodeEntry{-1, "vSock has been closed."},
    CodeEntry{-65, "Missing filename."},
    CodeEntry{-38, "FromPtr is NULL."},
    CodeEntry{-7, "Invalid socket."},
    CodeEntry{-4, "WINSOCK is currently blocking."},
    CodeEntry{-39, "Missing '@' character in email address."},
    CodeEntry{-40, "Missing FROM email address."},
    CodeEntry{-41, "Missing '<' delimiter in email address."},
    CodeEntry{-43, "Missing '>' terminating email address."},
    CodeEntry{-64, "No such message number."},
    CodeEntry{-12, "No host name."},
    CodeEntry{-45, "Must have at least one recipient."},
    CodeEntry{-46, "Cannot find SMTP/POP3 server."},
    CodeEntry{-9, "No available sockaddr structures."},
    CodeEntry{-71, "Must call seeAttach first."},
    CodeEntry{-44, "Not connected to server"},
    CodeEntry{-56, "Illegal chars in server name."},
    CodeEntry{-57, "APOP timestamp missing."},
    CodeEntry{-47, "Unexpected NULL pointer."},
    CodeEntry{-62, "PASSWORD not specified."},
    CodeEntry{-63, "POP3 returned error."},
    CodeEntry{-59, "POP3 function ONLY."},
    CodeEntry{-48, "ToPtr is NULL."},
    CodeEntry{-49, "SMTP returned error."},
    CodeEntry{-58, "SMTP function ONLY."},
    CodeEntry{-51, "vSock read error."},
    CodeEntry{-52, "vSock write error."},
    CodeEntry{-8, "vSock timed out."},
    CodeEntry{-53, "Too many '@' symbols in email address."},
    CodeEntry{-54, "Found unexpected '>' character in email address."},
    CodeEntry{-61, "USER name not specified."},
    // Encrypted connections, an extension of this engine.
    CodeEntry{-74, "Server does not offer TLS."},
    CodeEntry{-75, "TLS handshake failed."},
    CodeEntry{-76, "Server certificate not trusted."},
    // Winsock errors, negated.
    CodeEntry{-10004, "Interrupted system call."},
    CodeEntry{-10009, "Bad file number."},
    CodeEntry{-10013, "Access denied."},
    CodeEntry{-10014, "Bad address."},
    CodeEntry{-10022, "Invalid argument."},
    CodeEntry{-10024, "Too many open files."},
    CodeEntry{-10035, "Would block socket in non-blocking mode."},
    CodeEntry{-10036, "Blocking call already in progress."},
    CodeEntry{-10037, "Operation already completed."},
    CodeEntry{-10038, "Not a valid socket"},
    CodeEntry{-10039, "Destination address required."},
    CodeEntry{-10040, "Message too big for buffer."},
    CodeEntry{-10041, "Protocol mismatch."},
    CodeEntry{-10042, "Protocol option invalid."},
    CodeEntry{-10043, "Protocol not supported."},
    CodeEntry{-10044, "vSock type not supported."},
    CodeEntry{-10045, "vSock operation not supported."},
    CodeEntry{-10047, "vSock address family not supported."},
    CodeEntry{-10048, "vSock address already in use."},
    CodeEntry{-10049, "vSock address not available."},
    CodeEntry{-10050, "Network error."},
    CodeEntry{-10051, "Cannot reach network."},
    CodeEntry{-10052, "Connection dropped."},
    CodeEntry{-10053, "Connection timed-out or aborted."},
    CodeEntry{-10054, "Connection reset by remote host."},
    CodeEntry{-10055, "Out of buffer space."},
    CodeEntry{-10056, "vSock already connected."},
    CodeEntry{-10057, "vSock not connected."},
    CodeEntry{-10058, "vSock functionality shut down."},
    CodeEntry{-10060, "Timed-out attempting to connect."},
    CodeEntry{-10061, "Connection refused by remote host."},
    CodeEntry{-10091, "Network not yet ready."},
    CodeEntry{-10092, "WINSOCK doesn't support requested version."},
    CodeEntry{-10093, "vSocks not initialized. Call WSAStartup."},
    CodeEntry{-11001, "Host does not exist."},
    CodeEntry{-11002, "Host not found. Try again."},
    CodeEntry{-11003, "Non-recoverable error has occurred."},
    CodeEntry{-11004, "No data is available."},
    CodeEntry{-10064, "Host is down"},
    CodeEntry{-10065, "No route to host"},
};

} // namespace

std::string_view CodeText(std::int32_t code) {
    const auto* entry = std::find_if(kCodeTexts.begin(), kCodeTexts.end(),
                                     [code](const CodeEntry& e) { return e.code == code; });
    return entry == kCodeTexts.end() ? std::string_view{} : entry->text;
}

std::string ErrorText(std::int32_t code, std::string_view fileName) {
    std::string text(CodeText(code));
    if (const auto run = text.find(kFileNameRun); run != std::string::npos) {
        text.replace(run, kFileNameRun.size(), fileName);
    }
    return text;
}

} // namespace ob::mail
