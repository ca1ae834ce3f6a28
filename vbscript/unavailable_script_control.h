// A script control that cannot run anything: every operation fails with the
// description "Error: Unknown VBScript error.". It stands in while no interpreter
// is built into this library, so that the script bridge reports script statements
// as failures instead of silently skipping them.
#pragma once

#include "vbscript/script_control.h"

namespace ob::vbscript {

class UnavailableScriptControl final : public ScriptControl {
public:
    static constexpr const char* kDescription = "Error: Unknown VBScript error.";

    UnavailableScriptControl();
    void SetTimeout(long) override {}
    void SetAllowUI(bool) override {}
    bool Reset() override;
    bool AddCode(std::string_view code) override;
    bool Run(std::string_view name, const std::vector<std::string>& args,
             std::string& result) override;
    const ScriptError& Error() const override { return error_; }

private:
    bool Fail(std::string_view text);
    ScriptError error_;
};

} // namespace ob::vbscript
