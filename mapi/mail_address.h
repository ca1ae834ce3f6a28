// Mail addresses as recipients and senders give them: the checks that keep a
// message's headers well formed (no line breaks, no lists smuggled into one
// recipient). Any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::mapi {

/// Longest address accepted (RFC 5321's path limit less its angle brackets).
inline constexpr std::size_t kMaxAddress = 254;

/// The outcome of reading an address or a mailbox.
struct AddressParse {
    bool ok = false;
    std::string name;        ///< display name ("" when none was given)
    std::string address;     ///< the address, blanks around it removed
    std::size_t errorAt = 0; ///< offset in the input of the first offending character
    std::string reason;      ///< why the input is not an address
};

/// One address: `local@domain`, or a bare `local` part (a user of this machine,
/// which the mail program qualifies). The local part is a dot-atom or a quoted
/// string, the domain a dot-separated host name or a bracketed literal; printable
/// ASCII only, blanks around the whole ignored.
AddressParse ParseAddress(std::string_view text);

/// A recipient's address as Simple MAPI gives it: the address, optionally after an
/// "SMTP:" type (any case). Any other address type is refused.
AddressParse ParseRecipientAddress(std::string_view text);

/// A mailbox: a recipient's address as above, or `Display Name <address>` (the
/// name optionally in double quotes, with \" and \\ inside).
AddressParse ParseMailbox(std::string_view text);

} // namespace ob::mapi
