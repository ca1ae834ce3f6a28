#include "engine/services/shared_library.h"

#include <dlfcn.h>
#include <utility>

namespace ob::engine {

SharedLibrary::~SharedLibrary() {
    Close();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool SharedLibrary::Open(const std::string& path, bool global) {
    Close();
    error_.clear();
    // glibc opens the file close-on-exec itself. RTLD_NOW: a library with an
    // unresolved symbol fails here instead of aborting the process at the first call.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
    if (handle_ == nullptr) {
        const char* text = ::dlerror();
        error_ = text != nullptr ? text : "unknown error";
        return false;
    }
    return true;
}

void* SharedLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    ::dlerror();
    return ::dlsym(handle_, name);
}

void SharedLibrary::Close() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace ob::engine
