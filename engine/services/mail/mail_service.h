// The built-in MAIL service (-action -mail FUNCTION arguments...): sending mail
// through the Simple MAPI library libobmapi.so, which is loaded by name at each
// call (beside the engine library or in ../lib from it, as its run path says, else
// by the dynamic loader's search), so that the engine runs where the library is
// missing and only these actions fail there. Any thread (it touches the variable store and the
// service handle table).
//
//   MAIL.VERSION                       sets MAIL.VERSION to "Obrenta MAIL version 2.0"
//   LOGON h profile [password]         opens a session; its handle goes to h
//   LOGOFF h                           closes the session whose handle h holds
//   SENDMAIL to subject body [file]    sends one message from the default profile
//
// Results: 0 success, 1 no function, 2 a word missing, 4 failure (JR.LAST_ERROR
// holds the Simple MAPI result's text and, when the library says why, its reason
// after it; unchanged when the library cannot be loaded), 6 an unknown function.
#pragma once

#include <cstdint>
#include <string_view>

namespace ob::engine {

/// The library the service loads.
inline constexpr const char* kMapiLibrary = "libobmapi.so";

/// The service's entry point (the service_main form: words[0] "-mail", words[1]
/// the function).
std::int32_t MailService(const char* const* words);

/// The same with the Simple MAPI library loaded from `library` (a file name looked
/// for as above, or a path).
std::int32_t MailServiceWith(const char* const* words, const char* library);

/// The text of a Simple MAPI result code.
std::string_view MapiResultText(std::uint32_t code);

} // namespace ob::engine
