#include "OBCoreLib/runtime/window_lookup.h"

#include "common/regex/regex_program.h"
#include "variables/variable_manager.h"

#include "platform/lifetime/immortal.h"

#include <memory>
#include <mutex>

namespace ob::corelib {
namespace {

struct PluggedDesktop {
    std::mutex mutex;
    DesktopAccess access;
};

PluggedDesktop& Desktop() {
    static Immortal<PluggedDesktop> desktop;
    return desktop.Get();
}

DesktopAccess CurrentAccess() {
    PluggedDesktop& desktop = Desktop();
    std::lock_guard lock(desktop.mutex);
    return desktop.access;
}

// A compiled pattern, or the answer for every text when there is none to run: an
// empty pattern matches all, a pattern that does not compile matches nothing.
class Pattern {
public:
    explicit Pattern(const std::string& text) : empty_(text.empty()) {
        if (!empty_) {
            program_ = common::CompileRegex(text);
        }
    }
    bool Matches(const std::string& subject) const {
        return empty_ || common::MatchRegex(program_.get(), subject) == 1;
    }

private:
    bool empty_;
    std::unique_ptr<common::RegexProgram> program_;
};

void SetLastError(const char* text) {
    vars::MainStore().SetLastErrorText(text);
}

} // namespace

void SetDesktopAccess(DesktopAccess access) {
    PluggedDesktop& desktop = Desktop();
    std::lock_guard lock(desktop.mutex);
    desktop.access = std::move(access);
}

I4Result FindDesktopWindow(const std::string& titlePattern, const std::string& classPattern) {
    const DesktopAccess access = CurrentAccess();
    std::int32_t found = 0;
    if (access.list) {
        const Pattern title(titlePattern);
        const Pattern className(classPattern);
        for (const DesktopWindow& window : access.list()) {
            if (title.Matches(window.title) && className.Matches(window.className)) {
                found = window.handle;
            }
        }
    }
    if (found == 0) {
        SetLastError(kNoMatchingWindow);
        return {HResult::False, 0};
    }
    return {HResult::Ok, found};
}

I4Result RaiseDesktopWindow(std::int32_t handle) {
    const DesktopAccess access = CurrentAccess();
    if (!access.raise || handle == 0 || !access.raise(handle)) {
        SetLastError(kNoForegroundWindow);
        return {HResult::False, 0};
    }
    return {HResult::Ok, Truth(true)};
}

} // namespace ob::corelib
