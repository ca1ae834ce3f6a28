// MD5 and HMAC-MD5 (RFC 1321, RFC 2104) from OpenSSL's libcrypto, as lower-case
// hexadecimal, the form CRAM-MD5 and APOP send. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::mail {

std::string Md5Hex(std::string_view data);

std::string HmacMd5Hex(std::string_view key, std::string_view data);

/// Lower-case hexadecimal of bytes.
std::string LowerHex(std::string_view bytes);

} // namespace ob::mail
