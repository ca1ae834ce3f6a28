// Fuzz target for the runtime object as scripts call it: the input is VBScript
// added after the script library (script_library.h) and a preamble that puts a
// runtime object into OBCtrl, so fuzzed code calls the object's methods directly
// and through the helpers, with any arguments: wrong types, huge texts, forged and
// stale handles, cron specifications, variables with every flag. Then a few
// likely procedure names are called. A statement budget bounds every call; what
// must never happen is a crash, a leak, or an exception escaping the control.
//
// Withdrawn (they raise "Permission denied"): everything that starts programs or
// logs accounts on, GetMessage, which waits without limit for a message, and
// SetTimer, whose timers would pile up on the fuzzer's thread from input to input.
// The settings stores point at a scratch directory.
//
// Run: build-fuzz/bin/corelib_runtime_fuzz -max_total_time=600 -dict=fuzz/vbscript.dict
#include "script_fuzz_support.h"

#include "OBCoreLib/runtime/runtime_object.h"
#include "engine/actions/script_library.h"

#include "vbscript/class_registry.h"
#include "vbscript/script_exception.h"
#include "vbscript/vbscript_control.h"

#include "platform/text/ascii_case.h"

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
        return inner_.Invoke(name, kind, args);
    }

private:
    ob::corelib::RuntimeObject inner_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ob::fuzz::PrepareScriptFuzzing("corelib_runtime_fuzz");
    ob::vbscript::RegisterBuiltinClass("OBCoreLib.Runtime",
                                       [] { return std::make_shared<FuzzRuntime>(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VBScriptControl control;
    control.SetStepLimit(kStepBudget);
    control.SetAllowUI(false);
    std::string prelude = "Dim OBCtrl\nSet OBCtrl = CreateObject(\"OBCoreLib.Runtime\")\n";
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
