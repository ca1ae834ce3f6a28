// The e-mail engine's result codes and their texts.
//
// Every engine call returns 0 or a positive value on success and a negative code on
// failure. Socket failures pass their Winsock number through negated (-10061 for a
// refused connection). Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::mail {

/// The engine's own failure codes. Socket failures are not listed: they are the
/// negated WSA numbers (see FromWsa).
enum class Code : std::int32_t {
    Ok = 0,
    SocketClosed = -1,           // the peer closed the connection
    WinsockBlocking = -4,        // no Linux equivalent; kept for its text
    BadStatusFlag = -5,          // Status() with an unknown query
    InvalidSocket = -7,          // no connection object where one must be
    TimedOut = -8,               // no reply within the time-out
    NoSockaddr = -9,             // no Linux equivalent; kept for its text
    NoHostName = -12,            // no Linux equivalent; kept for its text
    CannotCreateSocket = -18,    // socket(2) failed
    BufferOverflow = -31,        // a reply did not fit the 4096-byte response buffer
    BadAddressCharacter = -32,   // a character not allowed in an address
    CannotAccessWinsock = -34,   // no Linux equivalent; kept for its text
    CannotOpenFile = -35,        // a file to send cannot be read
    ConnectFailed = -36,         // the connection attempt failed
    EmptyAddress = -37,          //
    FromIsNull = -38,            // no C++ caller can pass it; kept for its text
    MissingAt = -39,             //
    MissingFrom = -40,           //
    MissingOpenBracket = -41,    //
    MissingCloseBracket = -43,   //
    NotConnected = -44,          //
    NoRecipient = -45,           //
    ServerNotFound = -46,        // the server's name does not resolve
    UnexpectedNull = -47,        // no C++ caller can pass it; kept for its text
    ToIsNull = -48,              // no C++ caller can pass it; kept for its text
    SmtpError = -49,             // an SMTP reply of 400 or more
    ServerNotSpecified = -50,    //
    ReadError = -51,             // a receive failed for a reason without WSA number
    WriteError = -52,            // a send failed for a reason without WSA number
    TooManyAt = -53,             //
    StrayCloseBracket = -54,     //
    OutOfMemory = -55,           //
    IllegalServerName = -56,     //
    ApopTimestampMissing = -57,  //
    SmtpOnly = -58,              // a POP3 call on an SMTP channel
    Pop3Only = -59,              // an SMTP call on a POP3 channel
    UserNotSpecified = -61,      //
    PasswordNotSpecified = -62,  //
    Pop3Error = -63,             // a POP3 reply that does not begin with "+"
    NoSuchMessage = -64,         //
    MissingFileName = -65,       //
    MissingEmailPath = -66,      //
    CannotCreateFile = -67,      // the message file cannot be created
    BufferIsNull = -68,          //
    BufferTooSmall = -69,        //
    MissingAttachmentPath = -70, //
    NotAttached = -71,           // an engine call before Attach
    AlreadyAttached = -72,       //
    ChannelOutOfRange = -73,     // also: no free channel to claim
    // Extensions of this engine (encrypted connections), beyond the Winsock range.
    TlsNotOffered = -74,       // the server does not offer STARTTLS or STLS
    TlsHandshakeFailed = -75,  // the TLS handshake failed
    CertificateRejected = -76, // the server's certificate did not verify
};

/// The code as the number a script sees.
constexpr std::int32_t Value(Code code) {
    return static_cast<std::int32_t>(code);
}

/// The engine code for a Winsock error number (10061 -> -10061).
constexpr Code FromWsa(std::uint32_t wsa) {
    return static_cast<Code>(-static_cast<std::int32_t>(wsa));
}

constexpr bool Failed(Code code) {
    return Value(code) < 0;
}

/// The text of a code; empty for a code without an entry. The texts of -35 and -67
/// hold a run of 50 "X" that ErrorText replaces by the file name.
std::string_view CodeText(std::int32_t code);

/// The text of a code with the file name put in place of the run of "X" (for -35
/// and -67); other texts come back unchanged.
std::string ErrorText(std::int32_t code, std::string_view fileName);

} // namespace ob::mail
