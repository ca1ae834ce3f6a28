#include "vbscript/builtin_environment.h"

#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"
#include "vbscript/interpreter.h"

#include "platform/text/ascii_case.h"

#include <algorithm>
#include <ostream>

namespace ob::vbscript::builtin {

Variant ScriptEngine(Interpreter&, Args&) {
    return Variant::String("VBScript");
}

Variant ScriptEngineMajorVersion(Interpreter&, Args&) {
    return Variant::Long(5);
}

Variant ScriptEngineMinorVersion(Interpreter&, Args&) {
    return Variant::Long(8);
}

Variant ScriptEngineBuildVersion(Interpreter&, Args&) {
    return Variant::Long(kScriptEngineBuild);
}

Variant GetLocale(Interpreter&, Args&) {
    return Variant::Long(kLocaleId);
}

// SetLocale(lcid): 0 (the system's locale) and 1033 by number, "en-us" by name;
// the locale never changes since it is the only one. Returns the previous id.
Variant SetLocale(Interpreter&, Args& a) {
    const Variant& locale = a[0];
    bool known = false;
    if (locale.IsString()) {
        double number = 0;
        known = text::EqualsIgnoringCase(locale.StringValue(), "en-us") ||
                (Variant::ParseNumber(locale.StringValue(), number) &&
                 (number == 0 || number == kLocaleId));
    } else {
        const std::int32_t id = locale.ToLong();
        known = id == 0 || id == kLocaleId;
    }
    if (!known) {
        throw InvalidCall();
    }
    return Variant::Long(kLocaleId);
}

// RGB(red, green, blue): each part clipped to 0..255.
Variant Rgb(Interpreter&, Args& a) {
    std::int32_t color = 0;
    for (int i = 2; i >= 0; --i) {
        const std::int32_t part =
            std::clamp<std::int32_t>(a[static_cast<std::size_t>(i)].ToLong(), 0, 255);
        color = color * 256 + part;
    }
    return Variant::Long(color);
}

// InputBox(prompt[, title[, default[, xpos[, ypos[, helpfile, context]]]]])
Variant InputBox(Interpreter& in, Args& a) {
    if (!in.AllowUI()) {
        throw ScriptException(err::kPermissionDenied);
    }
    if (std::ostream* out = in.Output()) {
        *out << (a[0].IsNull() ? std::string("Null") : a[0].ToString()) << '\n';
        out->flush();
    }
    if (a.size() > 2 && !a[2].IsNull()) {
        return Variant::String(a[2].ToString());
    }
    return Variant::String("");
}

Variant LoadPicture(Interpreter&, Args&) {
    throw InvalidCall();
}

std::span<const Builtin> EnvironmentFunctions() {
    static const Builtin kFunctions[] = {
        {"GetLocale", 0, 0, GetLocale},
        {"InputBox", 1, 7, InputBox},
        {"LoadPicture", 1, 1, LoadPicture},
        {"RGB", 3, 3, Rgb},
        {"ScriptEngine", 0, 0, ScriptEngine},
        {"ScriptEngineBuildVersion", 0, 0, ScriptEngineBuildVersion},
        {"ScriptEngineMajorVersion", 0, 0, ScriptEngineMajorVersion},
        {"ScriptEngineMinorVersion", 0, 0, ScriptEngineMinorVersion},
        {"SetLocale", 1, 1, SetLocale},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
