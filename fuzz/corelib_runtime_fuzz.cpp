// Fuzz target for the runtime object and the ftp object as scripts call them: the
// input is VBScript added after the script library (script_library.h) and a
// preamble that puts a runtime object into OBCtrl and an ftp object into Ftp, so
// fuzzed code calls the objects' members directly and through the helpers, with
// any arguments: wrong types, huge texts, forged and stale handles, cron
// specifications, variables with every flag, FTP operations with or without a
// session. Then a few likely procedure names are called. A statement budget
// bounds every call; what must never happen is a crash, a leak, or an exception
// escaping the control.
//
// Withdrawn (they raise "Permission denied"): everything that starts programs or
// logs accounts on, GetMessage, which waits without limit for a message, and
// SetTimer, whose timers would pile up on the fuzzer's thread from input to input.
// FTP connections (FtpConnect, the ftp object's Connect) all go to a loopback port
// that refuses them, whatever host and port the script names; the ftp object's
// call log goes to /dev/null. The settings stores point at a scratch directory.
//
// Run: build-fuzz/bin/corelib_runtime_fuzz -max_total_time=600 -dict=fuzz/vbscript.dict
#include "script_fuzz_support.h"

#include "OBCoreLib/ftp/ftp_object.h"
#include "OBCoreLib/runtime/runtime_object.h"
#include "engine/actions/script_library.h"

#include "vbscript/class_registry.h"
#include "vbscript/script_exception.h"
#include "vbscript/vbscript_control.h"

#include "platform/text/ascii_case.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ob::fuzz::Check;
using ob::vbscript::InvokeKind;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

constexpr std::uint64_t kStepBudget = 20000;

constexpr std::string_view kWithdrawn[] = {
    "CreateProcess",           "CreateProcessAsUser", "ShellExecute", "LogonUser",
    "ImpersonateLoggedOnUser", "GetMessage",          "SetTimer"};

// A loopback port that refuses connections: bound, never listening, kept for the
// life of the process so that nothing else takes it.
std::uint16_t RefusingPort() {
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

// A value the script gave that converts (the call would not raise on it): only
// then is it replaced, so type errors still reach the object.
bool Replaceable(const Variant& value) {
    return !value.IsNull() && !value.IsObject() && !value.IsArray();
}

// The runtime object without the methods that reach beyond the process or wait.
class FuzzRuntime final : public ob::vbscript::Object {
public:
    std::string TypeName() const override { return inner_.TypeName(); }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        for (const std::string_view withdrawn : kWithdrawn) {
            if (ob::text::EqualsIgnoringCase(name, withdrawn)) {
                throw ob::vbscript::ScriptException(ob::vbscript::err::kPermissionDenied);
            }
        }
        if (ob::text::EqualsIgnoringCase(name, "FtpConnect") && args.size() == 4 &&
            Replaceable(args[0]) && Replaceable(args[1])) {
            // The 16-bit port parameter takes ports above 32767 less 65536.
            args[0] = Variant::String("127.0.0.1");
            args[1] = Variant::Long(static_cast<std::int16_t>(RefusingPort()));
        }
        return inner_.Invoke(name, kind, args);
    }

private:
    ob::corelib::RuntimeObject inner_;
};

// The ftp object connecting only to the refusing port, logging to /dev/null.
class FuzzFtp final : public ob::vbscript::Object {
public:
    std::string TypeName() const override { return inner_.TypeName(); }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (ob::text::EqualsIgnoringCase(name, "Connect") && args.empty()) {
            std::vector<Variant> none;
            // A port beyond 16 bits is refused before any connection: keep it.
            const bool usablePort = inner_.Invoke("Port", InvokeKind::PropertyGet, none)
                                        .ToDouble() <= 65535;
            std::vector<Variant> host = {Variant::String("127.0.0.1")};
            inner_.Invoke("Server", InvokeKind::PropertyPut, host);
            if (usablePort) {
                std::vector<Variant> port = {Variant::Long(RefusingPort())};
                inner_.Invoke("Port", InvokeKind::PropertyPut, port);
            }
        }
        if (ob::text::EqualsIgnoringCase(name, "InitLogFile") && args.size() == 1 &&
            Replaceable(args[0]) && !args[0].ToString().empty()) {
            args[0] = Variant::String("/dev/null");
        }
        return inner_.Invoke(name, kind, args);
    }

private:
    ob::corelib::FtpObject inner_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ob::fuzz::PrepareScriptFuzzing("corelib_runtime_fuzz");
    ob::vbscript::RegisterBuiltinClass("OBCoreLib.Runtime",
                                       [] { return std::make_shared<FuzzRuntime>(); });
    ob::vbscript::RegisterBuiltinClass("OBCoreLib.ftp", [] { return std::make_shared<FuzzFtp>(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VBScriptControl control;
    control.SetStepLimit(kStepBudget);
    control.SetAllowUI(false);
    std::string prelude = "Dim OBCtrl, Ftp\nSet OBCtrl = CreateObject(\"OBCoreLib.Runtime\")\n"
                          "Set Ftp = CreateObject(\"OBCoreLib.ftp\")\n";
    prelude += ob::engine::ScriptLibraryText();
    Check(control.AddCode(prelude));
    if (!control.AddCode(std::string_view(reinterpret_cast<const char*>(data), size))) {
        ob::fuzz::CheckError(control);
        return 0;
    }
    ob::fuzz::RunLikelyProcedures(control);
    Check(control.Reset());
    return 0;
}
