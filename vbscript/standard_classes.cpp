#include "vbscript/standard_classes.h"

#include "vbscript/objects/dictionary.h"
#include "vbscript/objects/file_system_object.h"
#include "vbscript/objects/wscript_shell.h"
#include "vbscript/regexp/regexp_object.h"

namespace ob::vbscript {

void RegisterStandardClasses() {
    // One line per built-in class: Register<Class>Class().
    objects::RegisterDictionaryClass();
    objects::RegisterFileSystemObjectClass();
    objects::RegisterWScriptShellClass();
    regexp::RegisterRegExpClass();
}

} // namespace ob::vbscript
