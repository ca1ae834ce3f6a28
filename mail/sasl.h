// The answers of the log-on mechanisms: SMTP AUTH CRAM-MD5 (RFC 2195), LOGIN and
// PLAIN (RFC 4616), and POP3 APOP (RFC 1939). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::mail {

/// The base64 answer to a CRAM-MD5 challenge given in base64: the user, a blank and
/// the hexadecimal HMAC-MD5 of the decoded challenge keyed with the secret.
std::string CramMd5Answer(std::string_view user, std::string_view secret,
                          std::string_view challengeBase64);

/// The base64 PLAIN message: the user as authorisation and authentication identity,
/// then the secret, separated by zero bytes.
std::string PlainAnswer(std::string_view user, std::string_view secret);

/// The APOP digest: hexadecimal MD5 of the greeting's timestamp followed by the
/// password.
std::string ApopDigest(std::string_view timestamp, std::string_view password);

/// The greeting's timestamp: the text from its first "<" to the next ">", inclusive;
/// empty when there is none.
std::string ApopTimestamp(std::string_view greeting);

} // namespace ob::mail
