// Fuzz target for the VBScript interpreter: the input is added as code (so it is
// compiled and its module-level statements run), then a few procedure names a
// script is likely to define are called. A statement budget bounds every call, so
// endless loops end; what must never happen is a crash, a leak or an exception
// escaping the control.
//
// Objects that reach outside the process (files, programs, the settings store)
// are replaced by classes that cannot be created, and the settings stores point
// at a scratch directory: fuzzed code must not delete files or run commands.
//
// Run: build-fuzz/bin/vbscript_fuzz -max_total_time=600 -dict=fuzz/vbscript.dict
#include "vbscript/class_registry.h"
#include "vbscript/script_exception.h"
#include "vbscript/vbscript_control.h"

#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

namespace {

using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

constexpr std::uint64_t kStepBudget = 20000;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A failing call always leaves an error with a number and a description.
void CheckError(const VBScriptControl& control) {
    Check(control.Error().number != 0);
    Check(!control.Error().description.empty());
    Check(!control.Error().source.empty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char scratch[] = "/tmp/vbscript_fuzz.XXXXXX";
    if (::mkdtemp(scratch) == nullptr) {
        std::abort();
    }
    // The platform keeps its own copy of the environment: set the stores there.
    ob::env::Set("OBRENTA_MACHINE_DIR", scratch);
    ob::env::Set("OBRENTA_USER_DIR", scratch);
    ob::registry::ResetConnections();
    // The standard classes register themselves on the first lookup; replace the
    // ones that act on the system afterwards.
    ob::vbscript::CreateObjectByProgId("Scripting.Dictionary");
    for (const char* progId : {"Scripting.FileSystemObject", "WScript.Shell"}) {
        ob::vbscript::RegisterBuiltinClass(progId, [] { return nullptr; });
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view code(reinterpret_cast<const char*>(data), size);
    VBScriptControl control;
    control.SetStepLimit(kStepBudget);
    control.SetAllowUI(false); // MsgBox would write to the fuzzer's output
    if (!control.AddCode(code)) {
        CheckError(control);
        return 0;
    }
    for (const char* name : {"f", "main", "test"}) {
        for (int arguments = 0; arguments <= 2; ++arguments) {
            Variant result;
            std::vector<Variant> args(arguments, Variant::Integer(arguments));
            if (!control.Run(name, args, result)) {
                CheckError(control);
            }
        }
    }
    // A reset leaves a control that runs new code.
    Check(control.Reset());
    Variant result;
    Check(control.AddCode("Function g(x)\n g = x + 1\nEnd Function"));
    Check(control.Run("g", {Variant::Integer(1)}, result));
    Check(result.ToLong() == 2);
    return 0;
}
