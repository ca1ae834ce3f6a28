// Hiding passwords in what is printed or logged. Any thread.
//
// A statement such as `-spawn -user U -password P prog` must never show P in an
// output line, the log ring, the host's standard output or a console listing. The
// value of every "-password" word (compared without regard to case, also when it
// is written in double quotes) is replaced by kPasswordMask. Words are separated
// as the argument tokeniser separates them (blank, tab and comma, plus line ends),
// double quotes group, and the masked word includes its quotes. A value that is
// already the mask stays as it is, so masking twice changes nothing.
//
// Scripts pass passwords to the runtime object's methods (LogonUser,
// CreateProcessAsUser, NetCreateProcessAsUser, NetScheduleJobAddAsUser and
// FtpConnect, names compared without regard to case, after a "."): the password
// argument of such a call, in parentheses or as a call statement, is masked as well, whether
// it is a string literal, a variable or an expression; so is the value assigned to
// a Password property (`ftp.Password = "..."`).
#pragma once

#include <string>
#include <string_view>

namespace ob::common {

inline constexpr std::string_view kPasswordMask = "********";

/// `text` with the value of every "-password" word and every password argument of
/// the runtime object's methods replaced by kPasswordMask.
std::string MaskPasswords(std::string_view text);

} // namespace ob::common
