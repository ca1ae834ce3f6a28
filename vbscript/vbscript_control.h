// The script control backed by this library's interpreter: what
// CreateScriptControl("VBScript") returns. Used from one thread at a time.
//
// A failing call fills Error(): number, description, line, the line's text and
// the source ("VBScript compilation error" or "VBScript runtime error"). A host
// object that throws QuitRequest (WScript.Quit) ends the running call; the call
// then returns true and QuitCode() holds the exit code.
#pragma once

#include "vbscript/script_control.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

namespace ob::vbscript {

class Interpreter;

class OB_VBSCRIPT_API VBScriptControl final : public ScriptControl {
public:
    static constexpr const char* kCompileSource = "VBScript compilation error";
    static constexpr const char* kRuntimeSource = "VBScript runtime error";

    VBScriptControl();
    ~VBScriptControl() override;

    /// A call (AddCode, Run) running longer than this many milliseconds ends with
    /// error 0x80004004 at the statement it reached; -1 (or any value below 1): no
    /// time-out.
    void SetTimeout(long milliseconds) override;
    /// When not allowed, MsgBox and InputBox fail with Permission denied (70).
    void SetAllowUI(bool allow) override;
    bool Reset() override;
    bool AddCode(std::string_view code) override;
    bool Run(std::string_view name, const std::vector<Variant>& args, Variant& result) override;
    bool AddObject(std::string_view name, std::shared_ptr<Object> object) override;
    const ScriptError& Error() const override { return error_; }

    /// At most this many statements and loop rounds per call (0: no bound); more
    /// ends the call as a time-out does. For hosts that run untrusted code.
    void SetStepLimit(std::uint64_t steps);
    /// Where MsgBox writes its text (no desktop dialogs); null: nowhere.
    void SetOutput(std::ostream* out);
    /// The exit code a host object asked for with QuitRequest, once it has.
    std::optional<int> QuitCode() const { return quitCode_; }

private:
    template <typename Fn> bool Guarded(Fn&& fn);

    std::unique_ptr<Interpreter> interpreter_;
    ScriptError error_;
    std::optional<int> quitCode_;
    long timeout_ = -1;
    std::uint64_t stepLimit_ = 0;
};

} // namespace ob::vbscript
