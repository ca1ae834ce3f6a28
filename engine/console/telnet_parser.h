// The console's Telnet command parser. It refuses every option: a client's WILL is
// answered with DONT, DO and DONT with WONT, WONT with nothing; sub-negotiations
// are read and ignored; the one-byte commands (NOP, AYT, ...) are dropped; IAC IAC
// is the data byte 255. Any byte sequence is safe: the state is a small number and
// sub-negotiation data goes into a fixed buffer that is never overrun.
#pragma once

#include "engine/console/console_connection.h"

#include <cstdint>
#include <string>

namespace ob::engine {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kEchoOption = 1;

/// Feeds one byte to the connection's parser. True when the parser consumed it
/// (it is part of a Telnet command); false for an ordinary data byte. Replies to
/// negotiations are appended to `reply`, to be sent at once.
bool TelnetConsume(ConsoleConnection& connection, std::uint8_t byte, std::string& reply);

} // namespace ob::engine
