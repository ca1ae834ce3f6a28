// E-mail addresses as the engine takes them: an entry is an optional friendly name
// followed by the address in angle brackets ("Ann Lee<ann@example.org>"); lists
// separate entries with ";". Any thread.
#pragma once

#include "mail/mail_code.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::mail {

/// Checks one entry, in this order: -37 empty, -39 no "@" within the brackets' reach,
/// -53 more than one "@", -41 no "<", -43 no ">" after it, -54 a ">" anywhere else,
/// -32 a character not allowed between the brackets.
[[nodiscard]] Code ValidateAddress(std::string_view entry);

/// The entry's address from its "<" to the following ">" inclusive (the whole
/// entry when it has no brackets).
std::string_view AngleAddress(std::string_view entry);

/// The entries of a ";"-separated list, trimmed of blanks; empty entries are left out.
std::vector<std::string_view> SplitList(std::string_view list);

/// Blanks and tabs trimmed from both ends.
std::string_view Trim(std::string_view text);

/// -50 for an empty server name, -56 for one holding characters that no host name or
/// address has, else 0.
[[nodiscard]] Code ValidateServerName(std::string_view server);

/// The domain a HELO or EHLO names: the sender's text after "@" up to ">", or
/// "localhost" when the sender has none.
std::string HeloDomain(std::string_view sender);

} // namespace ob::mail
