// What the automation library and the engine's relay window say to each other: the
// names of the registered window messages and the records sent as their LPARAM.
// The library sends; the engine's relay window reads the record for the length of
// the send. Header only, so that the library need not link the engine.
#pragma once

#include <cstdint>

namespace ob::engine {

inline constexpr const char* kRelayPingName = "OB_RELAY_PING";
inline constexpr const char* kPrintName = "OB_PRINT";
inline constexpr const char* kExceptionName = "OB_EXCEPTION";
inline constexpr const char* kUpdateName = "OB_UPDATE";

/// Answer of the relay window to OB_RELAY_PING.
inline constexpr std::intptr_t kRelayPingAnswer = 0xDEADBEEF;

/// Payload of OB_EXCEPTION: kind 0 = the script returned an action text (error
/// state 3), kind 1 = the script raised (error state 1).
struct RelayException {
    std::uint32_t kind;
    const char* text;
};

/// Payload of OB_UPDATE: item, value, attribute and attribute value.
struct RelayUpdate {
    const char* item;
    const char* value;
    const char* attribute;
    const char* attributeValue;
};

} // namespace ob::engine
