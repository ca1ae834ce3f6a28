// Shared by the fuzz targets that run VBScript: settings stores in a scratch
// directory, the classes that act on the system withdrawn, and the calls of the
// procedure names fuzzed scripts are likely to define. Header only; the fuzzer's
// thread.
#pragma once

#include "vbscript/class_registry.h"
#include "vbscript/vbscript_control.h"

#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace ob::fuzz {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

/// A loopback port that refuses connections: bound, never listening, kept for the
/// life of the process so that nothing else takes it. Fuzzed scripts that connect
/// anywhere are sent here.
inline std::uint16_t RefusingPort() {
    static const std::uint16_t port = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        Check(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        return ntohs(address.sin_port);
    }();
    return port;
}

/// A failing call always leaves an error with a number and a description.
inline void CheckError(const vbscript::VBScriptControl& control) {
    Check(control.Error().number != 0);
    Check(!control.Error().description.empty());
    Check(!control.Error().source.empty());
}

/// Points the settings stores at a new scratch directory named after `name` and
/// replaces the classes that reach files and programs by ones that cannot be made.
inline void PrepareScriptFuzzing(const std::string& name) {
    std::string scratch = "/tmp/" + name + ".XXXXXX";
    if (::mkdtemp(scratch.data()) == nullptr) {
        std::abort();
    }
    // The platform keeps its own copy of the environment: set the stores there.
    env::Set("OBRENTA_MACHINE_DIR", scratch);
    env::Set("OBRENTA_USER_DIR", scratch);
    registry::ResetConnections();
    // The standard classes register themselves on the first lookup; replace the
    // ones that act on the system afterwards.
    vbscript::CreateObjectByProgId("Scripting.Dictionary");
    for (const char* progId : {"Scripting.FileSystemObject", "WScript.Shell"}) {
        vbscript::RegisterBuiltinClass(progId, [] { return nullptr; });
    }
}

/// Calls f, main and test with no to two arguments; a failure must leave its error.
inline void RunLikelyProcedures(vbscript::VBScriptControl& control) {
    for (const char* name : {"f", "main", "test"}) {
        for (int arguments = 0; arguments <= 2; ++arguments) {
            vbscript::Variant result;
            std::vector<vbscript::Variant> args(arguments, vbscript::Variant::Integer(arguments));
            if (!control.Run(name, args, result)) {
                CheckError(control);
            }
        }
    }
}

/// Runs fuzzed VBScript on a new control under a statement budget: `prelude` (which
/// must compile and run), then `input` as module code, then the likely procedures; a
/// failure must leave its error, and the control must reset afterwards.
inline void RunAfterPrelude(std::string_view prelude, std::string_view input,
                            std::uint64_t stepBudget) {
    vbscript::VBScriptControl control;
    control.SetStepLimit(stepBudget);
    control.SetAllowUI(false);
    Check(control.AddCode(prelude));
    if (!control.AddCode(input)) {
        CheckError(control);
        return;
    }
    RunLikelyProcedures(control);
    Check(control.Reset());
}

} // namespace ob::fuzz
