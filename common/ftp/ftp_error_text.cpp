#include "common/ftp/ftp_error_text.h"

#include "platform/error/win_error.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace ob::common::ftp {
namespace {

struct CodeText {
    std::uint32_t code;
    const char* text;
};

// The WinINet numbers that carry a description, worded for this system.
constexpr std::array kDescriptions{
    CodeText{12001, "No more Internet handles can be allocated now."},
    CodeText{12002, "The operation timed out."},
    CodeText{12003, "The server returned an error; its reply gives the details."},
    CodeText{12004, "An internal error occurred in the Internet functions."},
    CodeText{12005, "The address is not a valid URL."},
    CodeText{12006, "The address names a protocol that is not supported."},
    CodeText{12007, "The server's name could not be resolved."},
    CodeText{12008, "The requested protocol could not be found."},
    CodeText{12009, "An option was given an invalid value."},
    CodeText{12010, "An option was given with the wrong length for its type."},
    CodeText{12011, "This option can be read but not set."},
    CodeText{12012, "The Internet functions are shutting down."},
    CodeText{12013, "The FTP server refused the log-on: the user name is incorrect."},
    CodeText{12014, "The request to connect and log on to an FTP server could not be completed "
                    "because the supplied password is incorrect."},
    CodeText{12015, "The FTP server refused the log-on."},
    CodeText{12016, "The requested operation is not valid here."},
    CodeText{12017, "The operation was cancelled before it completed."},
    CodeText{12018, "The handle given is of the wrong type for this operation."},
    CodeText{12019, "The handle given is not in a state that allows this operation."},
    CodeText{12020, "This request cannot go through a proxy."},
    CodeText{12021, "A required setting could not be found."},
    CodeText{12022, "A required setting has the wrong type or an invalid value."},
    CodeText{12023, "Direct network access is not possible now."},
    CodeText{12024, "An asynchronous request was made without a context value."},
    CodeText{12025, "An asynchronous request was made without a callback."},
    CodeText{12026, "Other requests are still pending."},
    CodeText{12027, "The request is not in a valid format."},
    CodeText{12028, "The requested item could not be found."},
    CodeText{12029, "The connection to the server could not be made."},
    CodeText{12030, "The connection to the server was ended."},
    CodeText{12031, "The connection to the server was reset."},
    CodeText{12032, "The request has to be made again."},
    CodeText{12033, "The request to the proxy was not valid."},
    CodeText{12036, "The handle already exists."},
    CodeText{12037, "The server's certificate is outside its validity dates."},
    CodeText{12038, "The server's certificate was issued for another host name."},
    CodeText{12039, "The request was redirected from an insecure to a secure connection."},
    CodeText{12040, "The request was redirected from a secure to an insecure connection."},
    CodeText{12041, "Part of the content is not sent securely."},
    CodeText{12042, "Data is about to be sent over an insecure connection."},
    CodeText{12043, "Data is about to be sent over an insecure connection."},
    CodeText{12110, "Another operation is still in progress on this FTP session."},
    CodeText{12111, "The FTP operation did not complete because the session ended."},
    CodeText{12130, "The Gopher server broke its protocol."},
    CodeText{12131, "The Gopher locator does not name a file."},
    CodeText{12132, "The Gopher server sent bad data."},
    CodeText{12133, "The end of the Gopher data was reached."},
    CodeText{12134, "The Gopher locator is not valid."},
    CodeText{12135, "The Gopher locator is of the wrong type for this operation."},
    CodeText{12136, "The Gopher server does not support Gopher+."},
    CodeText{12137, "The Gopher attribute could not be found."},
    CodeText{12138, "The Gopher locator type is unknown."},
    CodeText{12150, "The requested header could not be found."},
    CodeText{12151, "The server does not support the requested feature."},
    CodeText{12152, "The server's response could not be understood."},
    CodeText{12153, "The header given is not valid."},
    CodeText{12154, "The header request is not valid."},
    CodeText{12155, "The header already exists and cannot be replaced."},
    CodeText{12156, "The redirection failed."},
};

// The WinINet numbers known only by their names.
constexpr std::array kNames{
    CodeText{12034, "NEED_UI"},
    CodeText{12044, "CLIENT_AUTH_CERT_NEEDED"},
    CodeText{12045, "INVALID_CA"},
    CodeText{12046, "CLIENT_AUTH_NOT_SETUP"},
    CodeText{12047, "ASYNC_THREAD_FAILED"},
    CodeText{12048, "REDIRECT_SCHEME_CHANGE"},
    CodeText{12049, "DIALOG_PENDING"},
    CodeText{12050, "RETRY_DIALOG"},
    CodeText{12052, "HTTPS_HTTP_SUBMIT_REDIR"},
    CodeText{12053, "INSERT_CDROM"},
    CodeText{12160, "NOT_REDIRECTED"},
    CodeText{12161, "COOKIE_NEEDS_CONFIRMATION"},
    CodeText{12162, "COOKIE_DECLINED"},
    CodeText{12168, "REDIRECT_NEEDS_CONFIRMATION"},
};

template <typename Table> const char* Find(const Table& table, std::uint32_t code) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [code](const CodeText& entry) { return entry.code == code; });
    return it == table.end() ? nullptr : it->text;
}

} // namespace

std::string FtpErrorText(std::uint32_t code) {
    std::string text;
    if (ob::error::MessageText(code, text, nullptr)) {
        const std::size_t end = text.find_last_not_of(" \t\r\n");
        text.erase(end == std::string::npos ? 0 : end + 1);
        return text;
    }
    if (const char* description = Find(kDescriptions, code)) {
        return description;
    }
    if (const char* name = Find(kNames, code)) {
        return name;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Error Code: %x", code);
    return buffer;
}

} // namespace ob::common::ftp
