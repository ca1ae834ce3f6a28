// One FTP control connection over libcurl and the primitive operations on it:
// log-on, change/create/remove directory, delete, rename, get, put and listing.
// Each primitive returns 0 or an error number of ftp_error_text.h and keeps the
// server's last reply and the socket error that came with a failure.
//
// The current remote directory is kept here as the absolute path the server's PWD
// reported. Every request names its directory in full (libcurl changes directory
// only when the request's directory differs from the previous one), so a lost
// control connection that libcurl silently opens again still works where the
// script expects; Cd asks the server to change into the directory and reads back
// where it landed. Names given to the primitives are relative to that directory
// unless they begin with "/".
//
// One thread at a time per connection; distinct connections are independent.
#pragma once

#include "common/ftp/ftp_list_entry.h"
#include "common/ftp/ftp_reply.h"
#include "common/ftp/ftp_text_types.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::common::ftp {

struct FtpConnectOptions {
    std::string host;       ///< a name, an IPv4 address or an IPv6 address (brackets optional)
    std::uint16_t port = 0; ///< 0: 21
    std::string user;       ///< empty: anonymous log-on
    std::string password;
    bool passive = true;      ///< false: active mode (the server connects back)
    bool explicitTls = false; ///< AUTH TLS, then control and data encrypted, or failure
    bool verifyPeer = true;   ///< with TLS: check the certificate chain and host name
    std::chrono::seconds connectTimeout{60};
    /// A transfer or reply that makes no progress for this long fails (time-out).
    std::chrono::seconds stallTimeout{120};
};

class FtpConnection {
public:
    FtpConnection();
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    /// Connects and logs on (closing an open connection first); the current
    /// directory becomes the one the server put the user in.
    [[nodiscard]] std::uint32_t Open(const FtpConnectOptions& options);
    /// Ends the connection (QUIT when it is still up). Safe to call twice.
    void Close();
    bool IsOpen() const { return easy_ != nullptr; }

    [[nodiscard]] std::uint32_t Cd(std::string_view name);
    [[nodiscard]] std::uint32_t Mkdir(std::string_view name);
    [[nodiscard]] std::uint32_t Rmdir(std::string_view name);
    [[nodiscard]] std::uint32_t Delete(std::string_view name);
    [[nodiscard]] std::uint32_t Rename(std::string_view from, std::string_view to);
    /// Downloads into a new file beside `local` and renames it over `local` only
    /// when the whole file arrived: a failed transfer leaves `local` as it was.
    /// Text type turns the wire's CR LF into LF.
    [[nodiscard]] std::uint32_t Get(std::string_view remote, const std::string& local,
                                    TransferType type);
    /// Uploads `local`; text type sends its LF line ends as CR LF.
    [[nodiscard]] std::uint32_t Put(const std::string& local, std::string_view remote,
                                    TransferType type);
    /// The entries of the current directory (its LIST text read by
    /// ftp_listing_parser.h), in the reverse of the server's order. An empty
    /// directory gives 0 and no entries.
    [[nodiscard]] std::uint32_t List(FtpListing& entries);

    /// The current remote directory, and going back to one read earlier (no
    /// server round trip: the next request changes directory when it must).
    const std::string& CurrentDirectory() const { return cwd_; }
    void RestoreDirectory(std::string directory) { cwd_ = std::move(directory); }

    /// The lines of the server's last reply (kept across operations that
    /// received none), and the socket error (a WSA number, 0 for none) of the last
    /// failure.
    const std::vector<std::string>& LastResponse() const { return lastResponse_; }
    std::uint32_t LastSocketError() const { return lastSocketError_; }
    /// The conversation of the last request, for diagnostics and tests.
    const FtpConversation& Conversation() const { return conversation_; }

private:
    struct Request;
    struct Callbacks;

    std::uint32_t Perform(Request& request);
    std::uint32_t Commands(const std::vector<std::string>& commands, int acceptedCode);
    std::uint32_t MapFailure(int curlCode) const;
    std::string DirectoryUrl(std::string_view directory) const;
    std::string FileUrl(std::string_view name) const;

    void* easy_ = nullptr;  // CURL*
    void* multi_ = nullptr; // CURLM*, whose pool keeps the control connection
    std::string baseUrl_;
    std::string cwd_ = "/";
    FtpConversation conversation_;
    std::vector<std::string> lastResponse_;
    std::uint32_t lastSocketError_ = 0;
    std::uint32_t localError_ = 0;
    bool textTypeOnServer_ = false; ///< the last transfer set TYPE A itself
    std::unique_ptr<char[]> errorBuffer_;
};

/// The percent-encoded form of a path for an FTP URL ("/" kept as the separator).
std::string EncodeUrlPath(std::string_view path);

/// True when a name can go into an FTP command: no NUL, CR or LF.
bool IsCommandSafe(std::string_view text);

} // namespace ob::common::ftp
