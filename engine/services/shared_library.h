// A shared object opened with dlopen and closed when its owner goes away.
//
// Service modules and their dependencies are libraries of this kind; the session's
// service list owns them, so they are closed when the session ends. Any thread,
// but one object is used by one thread at a time.
#pragma once

#include <string>

namespace ob::engine {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    /// Opens `path` with every symbol bound at once (RTLD_NOW). `global` makes its
    /// symbols available to libraries opened later (RTLD_GLOBAL), as a service's
    /// dependencies need. False, with the loader's text in Error(), on failure.
    bool Open(const std::string& path, bool global);
    /// The address of an exported symbol, or null.
    void* Symbol(const char* name) const;
    bool IsOpen() const { return handle_ != nullptr; }
    /// The dynamic loader's message of the last failed Open.
    const std::string& Error() const { return error_; }
    void Close();

private:
    void* handle_ = nullptr;
    std::string error_;
};

} // namespace ob::engine
