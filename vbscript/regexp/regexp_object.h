// The RegExp object (ProgID "VBScript.RegExp", `New RegExp`; TypeName "IRegExp2").
//
// Properties Pattern (text), IgnoreCase, Global and Multiline (all False at first);
// methods Test(text) -> Boolean, Execute(text) -> Matches (match_objects.h) and
// Replace(text, replacement) -> text, where the replacement may use $1..$99, $&,
// $`, $' and $$. Global finds every match (an empty match moves on by one
// character), otherwise the first only. The pattern is compiled when first used
// after a change, so a malformed pattern raises its error (5017..5021) there.
// Used from the interpreter's thread.
#pragma once

#include "vbscript/object.h"
#include "vbscript/regexp/regex_matcher.h"
#include "vbscript/regexp/regex_program.h"
#include "vbscript/vbscript_export.h"

#include <memory>
#include <optional>
#include <string>

namespace ob::vbscript::regexp {

class OB_VBSCRIPT_API RegExpObject final : public Object {
public:
    std::string TypeName() const override { return "IRegExp2"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

    bool Test(std::string_view text);
    Variant Execute(std::string_view text);
    std::string Replace(std::string_view text, std::string_view replacement);

    /// The steps one search may take besides those per character (kStepBudget
    /// unless changed; tests and fuzzing use smaller budgets).
    void SetStepBudget(std::int64_t steps) { stepBudget_ = steps; }

private:
    const Program& Compiled();

    std::string pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiline_ = false;
    std::int64_t stepBudget_ = kStepBudget;
    std::optional<Program> program_; ///< reset whenever a property changes
};

/// A new RegExp object.
OB_VBSCRIPT_API std::shared_ptr<Object> CreateRegExp();

/// Registers "VBScript.RegExp" with the class registry.
void RegisterRegExpClass();

} // namespace ob::vbscript::regexp
