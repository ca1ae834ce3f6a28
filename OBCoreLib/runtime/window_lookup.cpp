#include "OBCoreLib/runtime/window_lookup.h"

#include "common/regex/regex_program.h"
#include "platform/desktop/desktop_windows.h"
#include "platform/desktop/x_connection.h"
#include "variables/variable_manager.h"

#include <limits>
#include <memory>

namespace ob::corelib {
namespace {

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

// X resource ids use 29 bits; anything wider cannot be handed to a script.
bool FitsHandle(desktop::WindowId id) {
    return id != 0 &&
           id <= static_cast<desktop::WindowId>(std::numeric_limits<std::int32_t>::max());
}

} // namespace

I4Result FindDesktopWindow(const std::string& titlePattern, const std::string& classPattern) {
    std::int32_t found = 0;
    desktop::XConnection connection;
    if (connection.Open() == desktop::DisplayStatus::Ok) {
        const Pattern title(titlePattern);
        const Pattern className(classPattern);
        for (const desktop::DesktopWindow& window : desktop::WalkWindows(connection)) {
            if (FitsHandle(window.id) && title.Matches(window.title) &&
                className.Matches(window.className)) {
                found = static_cast<std::int32_t>(window.id);
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
    desktop::XConnection connection;
    if (handle <= 0 || connection.Open() != desktop::DisplayStatus::Ok ||
        desktop::ActivateWindow(connection, static_cast<desktop::WindowId>(handle)) !=
            desktop::Activation::Activated) {
        SetLastError(kNoForegroundWindow);
        return {HResult::False, 0};
    }
    return {HResult::Ok, Truth(true)};
}

} // namespace ob::corelib
