#include "vbscript/script_control.h"
#include "vbscript/unavailable_script_control.h"

#include <strings.h>

namespace ob::vbscript {

std::unique_ptr<ScriptControl> CreateScriptControl(std::string_view language) {
    if (language.size() != 8 || ::strncasecmp(language.data(), "VBScript", 8) != 0) {
        return nullptr;
    }
    return std::make_unique<UnavailableScriptControl>();
}

} // namespace ob::vbscript
