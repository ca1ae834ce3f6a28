#include "vbscript/script_control.h"

#include "vbscript/vbscript_control.h"

#include "platform/text/ascii_case.h"

namespace ob::vbscript {

std::unique_ptr<ScriptControl> CreateScriptControl(std::string_view language) {
    if (!text::EqualsIgnoringCase(language, "VBScript")) {
        return nullptr;
    }
    return std::make_unique<VBScriptControl>();
}

} // namespace ob::vbscript
