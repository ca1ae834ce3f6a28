// Error numbers of the FTP client and their texts. The client reports its failures
// with the Windows Internet (WinINet) numbers 12001-12175 that scripts and stored
// jobs already test for, or with a Windows system code for local failures (a
// missing local file, a full disk). Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace ob::common::ftp {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorPathNotFound = 3;

inline constexpr std::uint32_t kInternetTimeout = 12002;
inline constexpr std::uint32_t kInternetExtendedError = 12003;
inline constexpr std::uint32_t kInternetInternalError = 12004;
inline constexpr std::uint32_t kInternetInvalidUrl = 12005;
inline constexpr std::uint32_t kInternetUnrecognizedScheme = 12006;
inline constexpr std::uint32_t kInternetNameNotResolved = 12007;
inline constexpr std::uint32_t kInternetIncorrectUserName = 12013;
inline constexpr std::uint32_t kInternetIncorrectPassword = 12014;
inline constexpr std::uint32_t kInternetLoginFailure = 12015;
inline constexpr std::uint32_t kInternetOperationCancelled = 12017;
inline constexpr std::uint32_t kInternetIncorrectHandleState = 12019;
inline constexpr std::uint32_t kInternetCannotConnect = 12029;
inline constexpr std::uint32_t kInternetConnectionAborted = 12030;
inline constexpr std::uint32_t kInternetConnectionReset = 12031;
inline constexpr std::uint32_t kInternetCertDateInvalid = 12037;
inline constexpr std::uint32_t kInternetCertNameInvalid = 12038;
inline constexpr std::uint32_t kInternetInvalidCa = 12045;
inline constexpr std::uint32_t kInternetInvalidServerResponse = 12152;
inline constexpr std::uint32_t kInternetSecureChannelError = 12157;

/// The text of an error number, without trailing white space: the system's text
/// for a Windows code; for the WinINet numbers with a description that
/// description; for those known only by name the name without its prefix
/// ("INVALID_CA"); for any other number "Error Code: " and the number in lower-case
/// hexadecimal.
std::string FtpErrorText(std::uint32_t code);

} // namespace ob::common::ftp
