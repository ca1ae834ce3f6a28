#include "vbscript/class_registry.h"

#include "vbscript/script_exception.h"
#include "vbscript/standard_classes.h"

#include "platform/lifetime/immortal.h"
#include "platform/text/ascii_case.h"

#include <mutex>
#include <unordered_map>

namespace ob::vbscript {
namespace {

struct BuiltinClasses {
    std::mutex mutex;
    std::unordered_map<std::string, ObjectFactory, text::CaseBlindHash, text::CaseBlindEqual>
        factories;
};

BuiltinClasses& Builtins() {
    static Immortal<BuiltinClasses> classes;
    return classes.Get();
}

void RegisterStandardClassesOnce() {
    static std::once_flag once;
    std::call_once(once, RegisterStandardClasses);
}

} // namespace

void RegisterBuiltinClass(std::string_view progId, ObjectFactory factory) {
    BuiltinClasses& classes = Builtins();
    std::lock_guard lock(classes.mutex);
    classes.factories[std::string(progId)] = std::move(factory);
}

std::shared_ptr<Object> CreateObjectByProgId(std::string_view progId) {
    RegisterStandardClassesOnce();
    ObjectFactory factory;
    {
        BuiltinClasses& classes = Builtins();
        std::lock_guard lock(classes.mutex);
        if (auto it = classes.factories.find(progId); it != classes.factories.end()) {
            factory = it->second;
        }
    }
    if (factory) {
        if (auto object = factory()) {
            return object;
        }
    }
    ScriptException e(err::kCannotCreate);
    e.description += ": '" + std::string(progId) + "'";
    throw e;
}

} // namespace ob::vbscript
