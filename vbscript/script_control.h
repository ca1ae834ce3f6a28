// The script control: runs VBScript code for the script bridge.
//
// A control is created for a language name and is used from one thread (the
// engine thread). Every failing call leaves an error object describing it.
#pragma once

#include "vbscript/object.h"
#include "vbscript/variant.h"
#include "vbscript/vbscript_export.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript {

/// What the last failure was: its error number, description, the offending source
/// line, its line number (1-based, 0 when not known) and the source ("VBScript
/// compilation error", "VBScript runtime error", or what Err.Raise named).
struct ScriptError {
    long number = 0;
    std::string description;
    std::string text;
    long line = 0;
    std::string source;
};

class OB_VBSCRIPT_API ScriptControl {
public:
    virtual ~ScriptControl() = default;

    /// -1: no time-out.
    virtual void SetTimeout(long milliseconds) = 0;
    virtual void SetAllowUI(bool allow) = 0;
    /// Drops all code and state (named objects stay).
    virtual bool Reset() = 0;
    /// Compiles and runs module-level code.
    virtual bool AddCode(std::string_view code) = 0;
    /// Calls a named Sub or Function with arguments (by value); its result.
    virtual bool Run(std::string_view name, const std::vector<Variant>& args, Variant& result) = 0;
    /// Makes an object visible to scripts under a global name; false when the
    /// control cannot run scripts.
    virtual bool AddObject(std::string_view name, std::shared_ptr<Object> object) = 0;
    virtual const ScriptError& Error() const = 0;
};

/// A control for the language ("VBScript", without regard to case); nullptr for a
/// language that is not known.
OB_VBSCRIPT_API std::unique_ptr<ScriptControl> CreateScriptControl(std::string_view language);

} // namespace ob::vbscript
