// The flag word and the outcome shared by every launch operation (program, shell,
// account): "-spawn" builds the flags from its options; the automation library
// passes the same word. Any thread.
#pragma once

#include <cstdint>

namespace ob::process {

inline constexpr std::uint32_t CP_INTERACTIVE = 0x1; ///< not tested by the launches
inline constexpr std::uint32_t CP_HIDE = 0x2;        ///< window hidden: no meaning here
inline constexpr std::uint32_t CP_ASYNC = 0x4;       ///< do not wait for the end
inline constexpr std::uint32_t CP_PROFILE = 0x8;     ///< account launch through a PAM session
inline constexpr std::uint32_t CP_NTI = 0x10;        ///< account launch refuses at once
inline constexpr std::uint32_t CP_WAIT_IDLE = 0x20;  ///< no equivalent: returns at once
inline constexpr std::uint32_t CP_DETACH = 0x40;     ///< new session (setsid)
inline constexpr std::uint32_t CP_MINIMIZE = 0x80;   ///< window minimised: no meaning here
inline constexpr std::uint32_t CP_NET_CREDENTIALS_ONLY = 0x100;

/// What a launch reports. `error` keeps the first Windows error code of a sequence
/// of calls: Fail() stores a code only while `error` is still 0. `exitCode` is
/// meaningful only for a waited launch (a process ended by signal N reports 128+N,
/// as shells do).
struct LaunchOutcome {
    bool success = false;
    std::uint32_t error = 0;
    int exitCode = 0;

    void Fail(std::uint32_t code) {
        success = false;
        if (error == 0) {
            error = code;
        }
    }
};

} // namespace ob::process
