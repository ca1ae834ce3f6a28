#include "vbscript/vbscript_control.h"

#include "vbscript/interpreter.h"

#include <exception>
#include <new>

namespace ob::vbscript {

VBScriptControl::VBScriptControl() : interpreter_(std::make_unique<Interpreter>()) {}

VBScriptControl::~VBScriptControl() = default;

// Runs fn, turning every way it can fail into the error object: nothing escapes.
template <typename Fn> bool VBScriptControl::Guarded(Fn&& fn) {
    error_ = ScriptError{};
    try {
        fn();
        return true;
    } catch (const ScriptException& e) {
        error_.number = e.number;
        error_.description = e.description;
        error_.line = e.line;
        error_.text = e.text;
        error_.source = !e.source.empty()          ? e.source
                        : IsCompileError(e.number) ? kCompileSource
                                                   : kRuntimeSource;
    } catch (const ScriptAbort& abort) {
        error_.number = ScriptAbort::kNumber;
        error_.description = abort.description;
        error_.line = abort.line;
        error_.text = abort.text;
        error_.source = kRuntimeSource;
    } catch (const QuitRequest& quit) {
        quitCode_ = quit.code;
        return true;
    } catch (const std::bad_alloc&) {
        error_.number = err::kOutOfMemory;
        error_.description = ErrorDescription(err::kOutOfMemory);
        error_.source = kRuntimeSource;
    } catch (const std::exception& e) {
        error_.number = 51;
        error_.description = ErrorDescription(51) + ": " + e.what();
        error_.source = kRuntimeSource;
    } catch (...) {
        error_.number = 51;
        error_.description = ErrorDescription(51);
        error_.source = kRuntimeSource;
    }
    return false;
}

void VBScriptControl::SetTimeout(long milliseconds) {
    timeout_ = milliseconds;
    interpreter_->SetBudget(stepLimit_,
                            std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0));
}

void VBScriptControl::SetStepLimit(std::uint64_t steps) {
    stepLimit_ = steps;
    SetTimeout(timeout_);
}

void VBScriptControl::SetAllowUI(bool allow) {
    interpreter_->SetAllowUI(allow);
}

bool VBScriptControl::Reset() {
    quitCode_.reset();
    return Guarded([&] { interpreter_->Reset(); });
}

bool VBScriptControl::AddCode(std::string_view code) {
    return Guarded([&] { interpreter_->AddCode(code); });
}

bool VBScriptControl::Run(std::string_view name, const std::vector<Variant>& args,
                          Variant& result) {
    result = Variant();
    return Guarded([&] { result = interpreter_->Run(name, args); });
}

bool VBScriptControl::AddObject(std::string_view name, std::shared_ptr<Object> object) {
    if (name.empty() || !object) {
        return false;
    }
    interpreter_->AddObject(std::string(name), std::move(object));
    return true;
}

void VBScriptControl::SetOutput(std::ostream* out) {
    interpreter_->SetOutput(out);
}

} // namespace ob::vbscript
