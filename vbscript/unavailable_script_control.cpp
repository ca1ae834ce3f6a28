#include "vbscript/unavailable_script_control.h"

namespace ob::vbscript {

UnavailableScriptControl::UnavailableScriptControl() = default;

bool UnavailableScriptControl::Fail(std::string_view text) {
    error_.number = 1;
    error_.description = kDescription;
    error_.text = std::string(text.substr(0, text.find('\n')));
    error_.line = 0;
    error_.source = "runtime error";
    return false;
}

bool UnavailableScriptControl::Reset() {
    return Fail("");
}

bool UnavailableScriptControl::AddCode(std::string_view code) {
    return Fail(code);
}

bool UnavailableScriptControl::Run(std::string_view name, const std::vector<std::string>&,
                                   std::string& result) {
    result.clear();
    return Fail(name);
}

} // namespace ob::vbscript
