// Protection of variable values written with ENV_CRYPTO: RC2 under a key derived
// from the installation's key text, the cipher text stored as upper-case
// hexadecimal (two digits a byte).
//
// The key is made as the classic CryptoAPI derivation makes an RC2 key from an MD5
// hash: the key text's characters in reverse order are hashed with MD5, the first
// five bytes of the digest followed by eleven zero bytes form the 128-bit key, and
// the effective key length is 40 bits. The value's bytes (without terminator) are
// encrypted as one final block: CBC with a zero initial vector and PKCS#5 padding.
// This hides values from casual readers of the settings store; it is not strong
// protection (the key is short and kept beside the values).
//
// The cipher comes from OpenSSL's libcrypto; OpenSSL 3 keeps RC2 in its legacy
// provider, which is loaded into a library context of our own (the process's
// default context, used for TLS by the e-mail engine, is left alone). Any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ob::corelib {

/// The hexadecimal cipher text of `plain`; "" for "", nothing when the cipher is
/// not available.
std::optional<std::string> EncryptValue(std::string_view plain, std::string_view keyText);

/// The plain text of a stored value; "" for "", nothing when the text is not
/// hexadecimal of whole cipher blocks or does not decrypt under the key (wrong
/// key, damaged value) or the cipher is not available.
std::optional<std::string> DecryptValue(std::string_view stored, std::string_view keyText);

} // namespace ob::corelib
