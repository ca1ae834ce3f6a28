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
#include "script_fuzz_support.h"

#include "vbscript/vbscript_control.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using ob::fuzz::Check;
using ob::fuzz::CheckError;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

constexpr std::uint64_t kStepBudget = 20000;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ob::fuzz::PrepareScriptFuzzing("vbscript_fuzz");
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
    ob::fuzz::RunLikelyProcedures(control);
    // A reset leaves a control that runs new code.
    Check(control.Reset());
    Variant result;
    Check(control.AddCode("Function g(x)\n g = x + 1\nEnd Function"));
    Check(control.Run("g", {Variant::Integer(1)}, result));
    Check(result.ToLong() == 2);
    return 0;
}
