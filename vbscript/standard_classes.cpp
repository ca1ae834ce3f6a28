#include "vbscript/standard_classes.h"

namespace ob::vbscript {

void RegisterStandardClasses() {
    // One line per built-in class: Register<Class>Class().
}

} // namespace ob::vbscript
