#include "vbscript/builtins.h"

#include "platform/text/ascii_case.h"

#include <string>
#include <unordered_map>

namespace ob::vbscript {

namespace {

using Index =
    std::unordered_map<std::string_view, const Builtin*, text::CaseBlindHash, text::CaseBlindEqual>;

// Every family's functions by name, built on the first lookup.
const Index& Functions() {
    static const Index index = [] {
        Index all;
        for (const auto family :
             {builtin::StringFunctions, builtin::ConversionFunctions, builtin::MathFunctions,
              builtin::DateFunctions, builtin::ScriptFunctions, builtin::EnvironmentFunctions,
              builtin::FormatFunctions, builtin::EscapeFunctions}) {
            for (const Builtin& b : family()) {
                all.emplace(b.name, &b);
            }
        }
        return all;
    }();
    return index;
}

} // namespace

const Builtin* FindBuiltin(std::string_view name) {
    const Index& index = Functions();
    const auto it = index.find(name);
    return it == index.end() ? nullptr : it->second;
}

} // namespace ob::vbscript
