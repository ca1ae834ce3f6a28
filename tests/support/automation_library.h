// Test support: registers the automation library (libobcorelib.so, whose path the
// test program gets as OB_CORELIB_PATH) in the settings stores the test points at,
// through the library's own DllRegisterServer, as `obrenta register` does. Header
// only; any thread.
#pragma once

#include <dlfcn.h>

#include <string>

namespace ob::test {

/// 0 on success, else the export's result, or -1 when the library or its export
/// could not be found (with `why` saying which).
inline long RegisterAutomationLibrary(const char* path, std::string* why = nullptr,
                                      const char* entryName = "DllRegisterServer") {
    void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        if (why != nullptr) {
            const char* reason = ::dlerror();
            *why = reason != nullptr ? reason : path;
        }
        return -1;
    }
    auto entry = reinterpret_cast<long (*)()>(::dlsym(library, entryName));
    if (entry == nullptr) {
        if (why != nullptr) {
            *why = std::string("no ") + entryName;
        }
        return -1;
    }
    return entry();
}

} // namespace ob::test
