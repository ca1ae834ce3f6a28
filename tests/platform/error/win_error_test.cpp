#include "platform/error/win_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <thread>

namespace {

using namespace ob::error;

TEST(WinError, ErrnoToWindowsCode) {
    const struct {
        int err;
        std::uint32_t code;
    } cases[] = {
        {0, 0},
        {ENOENT, 2},
        {ENOTDIR, 3},
        {EACCES, 5},
        {EPERM, 5},
        {EISDIR, 5},
        {EBADF, 6},
        {ENOMEM, 8},
        {EEXIST, 183},
        {ENOSPC, 112},
        {EDQUOT, 112},
        {EINVAL, 87},
        {EBUSY, 170},
        {ENAMETOOLONG, 206},
        {ENOTEMPTY, 145},
        {EXDEV, 17},
        {EROFS, 19},
        {EMFILE, 4},
        {ENFILE, 4},
        {EIO, 1117},
        {ETXTBSY, 32},
        {ENOEXEC, 193},
        {EPIPE, 109},
        {ETIMEDOUT, 1460},
        // Socket-only values give their WSA numbers, as after a failed socket call.
        {ECONNREFUSED, 10061},
        {EADDRINUSE, 10048},
        {EWOULDBLOCK, 10035},
        // Anything else is a general failure.
        {EDOM, 31},
        {-1, 31},
        {99999, 31},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromErrno(c.err), c.code) << c.err;
    }
}

TEST(WinError, SocketErrnoToWsaCode) {
    const struct {
        int err;
        std::uint32_t code;
    } cases[] = {
        {ECONNREFUSED, 10061},  {ETIMEDOUT, 10060},   {ECONNRESET, 10054},   {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051}, {EHOSTUNREACH, 10065}, {EWOULDBLOCK, 10035},
        {EAGAIN, 10035},        {EINPROGRESS, 10036}, {ENOTSOCK, 10038},     {EINTR, 10004},
        {EBADF, 10009},         {EACCES, 10013},      {EINVAL, 10022},       {ENOTCONN, 10057},
        {ECONNABORTED, 10053},  {ENOBUFS, 10055},     {EMSGSIZE, 10040},     {EAFNOSUPPORT, 10047},
        {EPIPE, 10058},         {EHOSTDOWN, 10064},   {EISCONN, 10056},      {ENOENT, 10022},
        {12345, 10022},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SocketFromErrno(c.err), c.code) << c.err;
    }
}

TEST(WinError, TextsAreTheSystemWordingWithLineBreak) {
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {
        {2, "The system cannot find the file specified."},
        {3, "The system cannot find the path specified."},
        {5, "Access is denied."},
        {87, "The parameter is incorrect."},
        {123, "The filename, directory name, or volume label syntax is incorrect."},
        {183, "Cannot create a file when that file already exists."},
        {193, "%1 is not a valid Win32 application."},
        {267, "The directory name is invalid."},
        {1155, "No application is associated with the specified file for this operation."},
        {1326, "The user name or password is incorrect."},
        {1331, "This user can't sign in because this account is currently disabled."},
        {1385, "Logon failure: the user has not been granted the requested logon type at this "
               "computer."},
        {10061, "No connection could be made because the target machine actively refused it."},
    };
    for (const auto& c : cases) {
        std::string text;
        std::uint32_t lookupError = 12345;
        ASSERT_TRUE(MessageText(c.code, text, &lookupError)) << c.code;
        EXPECT_EQ(text, std::string(c.text) + "\r\n");
        EXPECT_EQ(lookupError, ERROR_SUCCESS);
    }
}

TEST(WinError, EveryMappedCodeHasAText) {
    // Whatever the mapping produces, the user gets a real message for it.
    std::set<std::uint32_t> codes;
    for (int err = 0; err < 200; ++err) {
        codes.insert(FromErrno(err));
        codes.insert(SocketFromErrno(err));
    }
    for (std::uint32_t code : codes) {
        std::string text;
        EXPECT_TRUE(MessageText(code, text, nullptr)) << code;
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_NE(text[text.size() - 3], ' ') << code;
    }
}

TEST(WinError, UnknownCodeHasNoText) {
    for (std::uint32_t code : {7u, 317u, 9999u, 12002u, 0xFFFFFFFFu}) {
        std::string text = "stale";
        std::uint32_t lookupError = 0;
        SetLastError(0);
        EXPECT_FALSE(MessageText(code, text, &lookupError)) << code;
        EXPECT_EQ(lookupError, ERROR_MR_MID_NOT_FOUND);
        EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
        EXPECT_TRUE(text.empty());
        EXPECT_FALSE(MessageText(code, text, nullptr));
    }
}

TEST(WinError, LastErrorIsPerThread) {
    SetLastError(5);
    std::uint32_t seenByOther = 99;
    std::thread other([&seenByOther] {
        seenByOther = GetLastError();
        SetLastError(2);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(GetLastError(), 5u);
}

} // namespace
