#include "engine/console/telnet_parser.h"

namespace ob::engine {
namespace {

// Parser states: 0 data, 1 after IAC, 250..254 the negotiation read after IAC
// (its option byte comes next). Inside a sub-negotiation (SB = 250) the states
// below follow, above the range of command bytes. The commands 241..249 (NOP, AYT,
// IP, ...) are one byte long and end with it; IAC IAC is a data byte 255.
constexpr std::uint32_t kData = 0;
constexpr std::uint32_t kAfterIac = 1;
constexpr std::uint32_t kSubOption = 0x100; // SB option read, sub-option next
constexpr std::uint32_t kSubData = 0x101;   // collecting data until IAC
constexpr std::uint32_t kSubIac = 0x102;    // IAC inside a sub-negotiation

void Reply(std::string& reply, std::uint8_t verb, std::uint8_t option) {
    reply.push_back(static_cast<char>(kIac));
    reply.push_back(static_cast<char>(verb));
    reply.push_back(static_cast<char>(option));
}

} // namespace

bool TelnetConsume(ConsoleConnection& c, std::uint8_t byte, std::string& reply) {
    switch (c.telnetState) {
    case kData:
        if (byte == kIac) {
            c.telnetState = kAfterIac;
            return true;
        }
        return false;
    case kAfterIac:
        if (byte == kIac) {
            c.telnetState = kData;
            return false; // the escaped data byte 255
        }
        c.telnetState = byte >= kSb ? byte : kData;
        return true;
    case kWill:
        c.telnetOption = byte;
        Reply(reply, kDont, byte);
        c.telnetState = kData;
        return true;
    case kDo:
    case kDont:
        c.telnetOption = byte;
        Reply(reply, kWont, byte);
        c.telnetState = kData;
        return true;
    case kWont:
        c.telnetOption = byte;
        c.telnetState = kData;
        return true;
    case kSb:
        c.telnetOption = byte;
        c.subCount = 0;
        c.telnetState = kSubOption;
        return true;
    case kSubOption:
        c.telnetSubOption = byte;
        c.telnetState = kSubData;
        return true;
    case kSubData:
        if (byte == kIac) {
            c.telnetState = kSubIac;
        } else {
            // The data is not used; keep the first bytes, count the rest.
            if (c.subCount < c.subBuffer.size()) {
                c.subBuffer[c.subCount] = byte;
            }
            if (c.subCount < UINT32_MAX) {
                ++c.subCount;
            }
        }
        return true;
    case kSubIac:
        // IAC IAC is a data byte of the sub-negotiation; a negotiation starts
        // anew; anything else (SE above all) ends it.
        c.telnetState = byte == kIac ? kSubData : byte >= kSb ? byte : kData;
        return true;
    default:
        // No other state is ever set; should one appear, start over.
        c.telnetState = kData;
        return true;
    }
}

} // namespace ob::engine
