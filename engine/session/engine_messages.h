// Private thread messages of the engine thread, and the registered message names
// shared with the automation library.
#pragma once

#include "engine/session/relay_protocol.h"

#include <cstdint>

namespace ob::engine {

inline constexpr std::uint32_t EM_SHUTDOWN = 1026;
inline constexpr std::uint32_t EM_CLOSE_WINDOWS = 1027;
inline constexpr std::uint32_t EM_PHASE = 1028;
inline constexpr std::uint32_t EM_RUN_JOB = 1029;
inline constexpr std::uint32_t EM_SYNC = 1030;
/// Answer the schedule previews waiting in the session's mailbox.
inline constexpr std::uint32_t EM_PREVIEW = 1031;

// Command-server messages (WM_USER + 8 ...).
inline constexpr std::uint32_t EM_CONSOLE_STOP = 1032;
inline constexpr std::uint32_t EM_CONSOLE_START = 1033;
inline constexpr std::uint32_t EM_CONSOLE_CLOSE = 1034;
inline constexpr std::uint32_t EM_CONSOLE_LINE = 1036;

/// Run the calls other threads left in the session's EngineCalls.
inline constexpr std::uint32_t EM_CALL = 1038;

// The registered window message of host events; those of the relay window are in
// relay_protocol.h.
inline constexpr const char* kEventName = "WM_OBRENTA_EVENT";

// Level bits of JR.OUTPUT_LEVEL.
inline constexpr std::uint32_t LEVEL_INTERNAL = 1;
inline constexpr std::uint32_t LEVEL_RUN_CONTROL = 4;
inline constexpr std::uint32_t LEVEL_RESCHEDULE = 8;
inline constexpr std::uint32_t LEVEL_STARTUP = 16;
inline constexpr std::uint32_t LEVEL_MUTE_TRIGGERS = 32;
inline constexpr std::uint32_t LEVEL_OBSOLETE = 64;
inline constexpr std::uint32_t LEVEL_DEBUG = 128;

} // namespace ob::engine
