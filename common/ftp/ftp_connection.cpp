#include "common/ftp/ftp_connection.h"

#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_line_ends.h"
#include "common/ftp/ftp_listing_parser.h"
#include "platform/error/win_error.h"
#include "platform/lifetime/unique_fd.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::common::ftp {
namespace {

constexpr long kBufferSize = 256 * 1024;
/// Largest listing kept (a server could send one without end).
constexpr std::size_t kMaxListing = 64u * 1024u * 1024u;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* Easy(void* handle) {
    return static_cast<CURL*>(handle);
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

/// A host as it goes into a URL: IPv6 addresses in brackets; null when the text
/// could not be a host (it would change the URL's meaning).
bool UrlHost(std::string_view host, std::string& out) {
    if (host.empty()) {
        return false;
    }
    for (char c : host) {
        const auto u = static_cast<unsigned char>(c);
        const bool allowed = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                             (u >= '0' && u <= '9') || c == '-' || c == '.' || c == '_' ||
                             c == ':' || c == '[' || c == ']' || c == '%';
        if (!allowed) {
            return false;
        }
    }
    if (host.find(':') != std::string_view::npos && host.front() != '[') {
        out = "[" + std::string(host) + "]";
    } else {
        out = std::string(host);
    }
    return true;
}

bool IsTwoHundred(int code) {
    return code >= 200 && code < 300;
}

/// Runs one transfer of `easy` through `multi`. Not curl_easy_perform: libcurl 7.88
/// sometimes starts a passive data connection only at its next one-second
/// housekeeping wake-up (when the EPSV reply arrives in the same read as the
/// request), which made every such transfer a second slower; waking it every few
/// milliseconds while it has nothing to wait for keeps that stall short.
CURLcode RunTransfer(CURLM* multi, CURL* easy) {
    constexpr int kMaxWaitMs = 5;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        return CURLE_OUT_OF_MEMORY;
    }
    int running = 1;
    CURLMcode state = curl_multi_perform(multi, &running);
    while (state == CURLM_OK && running > 0) {
        state = curl_multi_poll(multi, nullptr, 0, kMaxWaitMs, nullptr);
        if (state == CURLM_OK) {
            state = curl_multi_perform(multi, &running);
        }
    }
    CURLcode result = state == CURLM_OK ? CURLE_OK : CURLE_OUT_OF_MEMORY;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            result = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

} // namespace

std::string EncodeUrlPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (Unreserved(u)) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

bool IsCommandSafe(std::string_view text) {
    return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

/// What one curl_easy_perform does.
struct FtpConnection::Request {
    std::string url;
    bool noBody = true;
    std::vector<std::string> postQuote;
    // Download into a descriptor, upload from one, or collect a listing.
    int writeFd = -1;
    int readFd = -1;
    curl_off_t uploadSize = -1;
    bool text = false;
    std::string* listingText = nullptr;
    // Filled by the callbacks.
    LfToCrLf toWire;
    std::string pendingUpload;
    FtpConnection* owner = nullptr;
};

struct FtpConnection::Callbacks {
    static size_t Header(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<FtpConnection*>(user);
        self->conversation_.Received(std::string_view(data, size * count));
        return size * count;
    }

    static int Debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
        if (type == CURLINFO_HEADER_OUT) {
            static_cast<FtpConnection*>(user)->conversation_.Sent(std::string_view(data, size));
        }
        return 0;
    }

    static bool WriteAll(int fd, const char* data, size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(fd, data, size);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            data += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }

    static size_t Write(char* data, size_t size, size_t count, void* user) {
        auto* request = static_cast<Request*>(user);
        const size_t bytes = size * count;
        if (request->listingText != nullptr) {
            if (request->listingText->size() + bytes > kMaxListing) {
                request->owner->localError_ = kErrorNotEnoughMemory;
                return 0;
            }
            request->listingText->append(data, bytes);
            return bytes;
        }
        if (!WriteAll(request->writeFd, data, bytes)) {
            request->owner->localError_ = ob::error::FromErrno(errno);
            return 0; // CURLE_WRITE_ERROR
        }
        return bytes;
    }

    static size_t Read(char* buffer, size_t size, size_t count, void* user) {
        auto* request = static_cast<Request*>(user);
        const size_t room = size * count;
        if (!request->text) {
            for (;;) {
                const ssize_t got = ::read(request->readFd, buffer, room);
                if (got >= 0) {
                    return static_cast<size_t>(got);
                }
                if (errno != EINTR) {
                    request->owner->localError_ = ob::error::FromErrno(errno);
                    return CURL_READFUNC_ABORT;
                }
            }
        }
        // Text: each LF may grow to CR LF, so read at most half the room.
        if (request->pendingUpload.empty()) {
            std::string raw(std::max<size_t>(room / 2, 1), '\0');
            ssize_t got = 0;
            do {
                got = ::read(request->readFd, raw.data(), raw.size());
            } while (got < 0 && errno == EINTR);
            if (got < 0) {
                request->owner->localError_ = ob::error::FromErrno(errno);
                return CURL_READFUNC_ABORT;
            }
            raw.resize(static_cast<size_t>(got));
            request->toWire.Convert(raw, request->pendingUpload);
        }
        const size_t n = std::min(room, request->pendingUpload.size());
        std::memcpy(buffer, request->pendingUpload.data(), n);
        request->pendingUpload.erase(0, n);
        return n;
    }
};

FtpConnection::FtpConnection() : errorBuffer_(new char[CURL_ERROR_SIZE]) {
    errorBuffer_[0] = '\0';
}

FtpConnection::~FtpConnection() {
    Close();
}

void FtpConnection::Close() {
    // The control connection lives in the multi handle's pool: cleaning that up
    // sends QUIT and closes it.
    if (multi_ != nullptr) {
        curl_multi_cleanup(static_cast<CURLM*>(multi_));
        multi_ = nullptr;
    }
    if (easy_ != nullptr) {
        curl_easy_cleanup(Easy(easy_));
        easy_ = nullptr;
    }
    textTypeOnServer_ = false;
    cwd_ = "/";
}

std::uint32_t FtpConnection::Open(const FtpConnectOptions& options) {
    Close();
    GlobalInit();
    conversation_.Clear();
    std::string host;
    if (!UrlHost(options.host, host)) {
        lastSocketError_ = 0;
        return kInternetNameNotResolved;
    }
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    easy_ = easy;
    multi_ = multi;
    if (easy == nullptr || multi == nullptr) {
        Close();
        return kErrorNotEnoughMemory;
    }
    const unsigned port = options.port == 0 ? 21u : options.port;
    baseUrl_ = "ftp://" + host + ":" + std::to_string(port);

    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (!options.user.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, options.user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, options.password.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(options.stallTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.stallTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    if (!options.passive) {
        curl_easy_setopt(easy, CURLOPT_FTPPORT, "-");
    }
    if (options.explicitTls) {
        curl_easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(easy, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, options.verifyPeer ? 1L : 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, options.verifyPeer ? 2L : 0L);
    }
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Callbacks::Header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Callbacks::Debug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_.get());

    Request request;
    request.url = baseUrl_ + "/";
    const std::uint32_t result = Perform(request);
    if (result != 0) {
        Close();
        return result;
    }
    const char* entry = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry != nullptr &&
        *entry != '\0') {
        cwd_ = entry;
    }
    return 0;
}

std::string FtpConnection::DirectoryUrl(std::string_view directory) const {
    // An absolute directory keeps its leading "/" after the URL's own: libcurl
    // reads "ftp://host//pub/" as the directory "/pub" (a "%2F" would hide the
    // separator from its wildcard matching).
    std::string url = baseUrl_ + "/" + EncodeUrlPath(directory);
    if (!directory.empty() && directory.back() != '/') {
        url += '/';
    }
    return url;
}

std::string FtpConnection::FileUrl(std::string_view name) const {
    if (!name.empty() && name.front() == '/') {
        const std::size_t slash = name.rfind('/');
        return DirectoryUrl(name.substr(0, slash + 1)) + EncodeUrlPath(name.substr(slash + 1));
    }
    return DirectoryUrl(cwd_) + EncodeUrlPath(name);
}

std::uint32_t FtpConnection::Perform(Request& request) {
    if (easy_ == nullptr || multi_ == nullptr) {
        return kInternetIncorrectHandleState;
    }
    CURL* easy = Easy(easy_);
    conversation_.Clear();
    localError_ = 0;
    errorBuffer_[0] = '\0';
    request.owner = this;

    Slist postQuote;
    for (const std::string& command : request.postQuote) {
        // "*": a refusal does not end the request; the reply is judged here.
        curl_slist* grown = curl_slist_append(postQuote.get(), ("*" + command).c_str());
        if (grown == nullptr) {
            return kErrorNotEnoughMemory;
        }
        postQuote.release();
        postQuote.reset(grown);
    }
    // Text downloads use libcurl's text mode (TYPE A; CR LF and a lone CR become
    // LF). Its text uploads would turn every LF into CR LF, CR LF into CR CR LF,
    // so a text upload sends TYPE A as a command of ours while libcurl believes
    // the transfer binary, and converts the line ends itself (LfToCrLf); the next
    // binary transfer then sets TYPE I again.
    Slist preQuote;
    const bool transfer = !request.noBody && request.listingText == nullptr;
    const bool ownTextType = transfer && request.text && request.readFd >= 0;
    if (ownTextType || (transfer && !request.text && textTypeOnServer_)) {
        preQuote.reset(curl_slist_append(nullptr, ownTextType ? "TYPE A" : "TYPE I"));
        if (!preQuote) {
            return kErrorNotEnoughMemory;
        }
    }
    if (transfer) {
        textTypeOnServer_ = ownTextType;
    }
    curl_easy_setopt(easy, CURLOPT_TRANSFERTEXT,
                     transfer && request.text && !ownTextType ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_PREQUOTE, preQuote.get());
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOBODY, request.noBody ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_POSTQUOTE, postQuote.get());
    curl_easy_setopt(easy, CURLOPT_UPLOAD, request.readFd >= 0 ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, request.uploadSize);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Callbacks::Write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Callbacks::Read);
    curl_easy_setopt(easy, CURLOPT_READDATA, &request);

    const CURLcode code = RunTransfer(static_cast<CURLM*>(multi_), easy);
    curl_easy_setopt(easy, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(easy, CURLOPT_PREQUOTE, nullptr);

    if (const FtpReply* reply = conversation_.LastReply()) {
        lastResponse_ = reply->lines;
    }
    if (code == CURLE_OK) {
        lastSocketError_ = 0;
        return 0;
    }
    long osError = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    lastSocketError_ = osError != 0 ? ob::error::SocketFromErrno(static_cast<int>(osError)) : 0;
    return MapFailure(code);
}

std::uint32_t FtpConnection::MapFailure(int curlCode) const {
    const auto code = static_cast<CURLcode>(curlCode);
    if (localError_ != 0) {
        return localError_;
    }
    switch (code) {
    case CURLE_LOGIN_DENIED: {
        const FtpReply* reply = conversation_.LastReply();
        const std::string command = reply != nullptr ? reply->command : std::string();
        if (command.rfind("USER", 0) == 0) {
            return kInternetIncorrectUserName;
        }
        return command.rfind("PASS", 0) == 0 ? kInternetIncorrectPassword : kInternetLoginFailure;
    }
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return kInternetNameNotResolved;
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_CANT_GET_HOST:
        return kInternetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return kInternetTimeout;
    case CURLE_OUT_OF_MEMORY:
        return kErrorNotEnoughMemory;
    case CURLE_URL_MALFORMAT:
        return kInternetInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kInternetUnrecognizedScheme;
    case CURLE_ABORTED_BY_CALLBACK:
        return kInternetOperationCancelled;
    case CURLE_PEER_FAILED_VERIFICATION: {
        const std::string_view why(errorBuffer_.get());
        if (why.find("expired") != std::string_view::npos ||
            why.find("not yet valid") != std::string_view::npos) {
            return kInternetCertDateInvalid;
        }
        return why.find("subject name") != std::string_view::npos ? kInternetCertNameInvalid
                                                                  : kInternetInvalidCa;
    }
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
        return kInternetSecureChannelError;
    default:
        break;
    }
    // Whatever else went wrong, a refusal by the server explains it best.
    const FtpReply* reply = conversation_.LastReply();
    if (reply != nullptr && reply->code >= 400) {
        return kInternetExtendedError;
    }
    switch (code) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_FTP_ACCEPT_FAILED:
        return lastSocketError_ == 10054 ? kInternetConnectionReset : kInternetConnectionAborted;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_BAD_FILE_LIST:
        return kInternetInvalidServerResponse;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_USE_SSL_FAILED:
        return kInternetExtendedError;
    default:
        return kInternetInternalError;
    }
}

std::uint32_t FtpConnection::Commands(const std::vector<std::string>& commands, int acceptedCode) {
    for (const std::string& command : commands) {
        if (!IsCommandSafe(command)) {
            return kErrorInvalidName;
        }
    }
    Request request;
    request.url = DirectoryUrl(cwd_);
    request.postQuote = commands;
    const std::uint32_t result = Perform(request);
    if (result != 0) {
        return result;
    }
    for (const std::string& command : commands) {
        const FtpReply* reply = conversation_.ReplyTo(command);
        if (reply == nullptr) {
            return kInternetConnectionAborted;
        }
        lastResponse_ = reply->lines;
        if (!IsTwoHundred(reply->code) && reply->code != acceptedCode) {
            return kInternetExtendedError;
        }
    }
    return 0;
}

std::uint32_t FtpConnection::Cd(std::string_view name) {
    if (name.empty() || !IsCommandSafe(name)) {
        return kErrorInvalidName;
    }
    std::string target;
    if (name.front() == '/') {
        target = name;
    } else {
        target = cwd_;
        if (target.empty() || target.back() != '/') {
            target += '/';
        }
        target += name;
    }
    Request request;
    request.url = DirectoryUrl(target);
    request.postQuote = {"PWD"};
    const std::uint32_t result = Perform(request);
    if (result != 0) {
        return result;
    }
    const FtpReply* pwd = conversation_.ReplyTo("PWD");
    const std::string landed =
        pwd != nullptr && !pwd->lines.empty() ? DirectoryOfPwdReply(pwd->lines.back()) : "";
    cwd_ = landed.empty() ? target : landed;
    return 0;
}

std::uint32_t FtpConnection::Mkdir(std::string_view name) {
    return Commands({"MKD " + std::string(name)}, 0);
}

std::uint32_t FtpConnection::Rmdir(std::string_view name) {
    return Commands({"RMD " + std::string(name)}, 0);
}

std::uint32_t FtpConnection::Delete(std::string_view name) {
    return Commands({"DELE " + std::string(name)}, 0);
}

std::uint32_t FtpConnection::Rename(std::string_view from, std::string_view to) {
    const std::uint32_t result = Commands({"RNFR " + std::string(from)}, 350);
    if (result != 0) {
        return result;
    }
    return Commands({"RNTO " + std::string(to)}, 0);
}

std::uint32_t FtpConnection::Get(std::string_view remote, const std::string& local,
                                 TransferType type) {
    if (remote.empty() || remote.back() == '/' || !IsCommandSafe(remote) || local.empty()) {
        return kErrorInvalidName;
    }
    // A new file beside the target, so that the target is replaced only by a
    // complete download.
    static std::atomic<unsigned> counter{0};
    std::string partial;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        partial = local + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = UniqueFd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.Valid() && errno != EEXIST) {
            break;
        }
    }
    if (!fd.Valid()) {
        return errno == ENOENT ? kErrorPathNotFound : ob::error::FromErrno(errno);
    }
    Request request;
    request.url = FileUrl(remote);
    request.noBody = false;
    request.writeFd = fd.Get();
    request.text = type == TransferType::kAscii;
    std::uint32_t result = Perform(request);
    if (result == 0) {
        if (const int closeError = fd.Close(); closeError != 0) {
            result = ob::error::FromErrno(closeError);
        }
    }
    if (result == 0 && ::rename(partial.c_str(), local.c_str()) != 0) {
        result = ob::error::FromErrno(errno);
    }
    if (result != 0) {
        ::unlink(partial.c_str());
    }
    return result;
}

std::uint32_t FtpConnection::Put(const std::string& local, std::string_view remote,
                                 TransferType type) {
    if (remote.empty() || remote.back() == '/' || !IsCommandSafe(remote)) {
        return kErrorInvalidName;
    }
    UniqueFd fd(::open(local.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return ob::error::FromErrno(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return ob::error::FromErrno(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return ob::error::ERROR_ACCESS_DENIED;
    }
    Request request;
    request.url = FileUrl(remote);
    request.noBody = false;
    request.readFd = fd.Get();
    request.text = type == TransferType::kAscii;
    request.uploadSize = request.text || !S_ISREG(info.st_mode) ? -1 : info.st_size;
    return Perform(request);
}

std::uint32_t FtpConnection::List(FtpListing& entries) {
    entries.clear();
    std::string text;
    Request request;
    request.url = DirectoryUrl(cwd_); // a directory URL: LIST
    request.noBody = false;
    request.listingText = &text;
    const std::uint32_t result = Perform(request);
    if (result == 0) {
        entries = ParseListing(text);
    }
    return result;
}

} // namespace ob::common::ftp
