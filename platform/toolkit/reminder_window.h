// The reminder window: a text, a drop-down list of snooze choices and the buttons
// Dismiss and Snooze, shown with GTK on the calling thread (toolkit_loop.h).
//
// Its widgets carry the control ids of the reminder dialog as their names: "1000"
// the text, "1002" Dismiss, "1003" Snooze, "1004" the list. The answer callback runs
// once, on the owner thread, from the toolkit's service: Dismiss, Snooze with the
// index of the chosen snooze, Closed when the window was closed through the window
// manager or with Escape, Lost when the display went away. The owner may destroy
// the window inside the callback. Owner thread only.
#pragma once

#include "platform/toolkit/toolkit_export.h"
#include "platform/toolkit/toolkit_loop.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct _GtkWidget;

namespace ob::toolkit {

struct ReminderContent {
    std::string caption;              ///< the window title
    std::string text;                 ///< shown as displayable_text.h makes it
    std::vector<std::string> choices; ///< the snooze choices, in list order
    int selected = 0;                 ///< the choice selected at first
};

class OB_TOOLKIT_API ReminderWindow {
public:
    enum class Answer { Dismiss, Snooze, Closed, Lost };
    using Answered = std::function<void(Answer answer, int choice)>;

    /// Shows the window; null, with `ready` telling why, when the toolkit is not
    /// available to this thread.
    static std::unique_ptr<ReminderWindow> Open(const ReminderContent& content, Answered answered,
                                                ToolkitReady& ready);
    /// Closes the window without an answer.
    ~ReminderWindow();
    ReminderWindow(const ReminderWindow&) = delete;
    ReminderWindow& operator=(const ReminderWindow&) = delete;

    /// The GTK window (for inspection by tests on the owner thread).
    _GtkWidget* Widget() const { return window_; }

private:
    ReminderWindow() = default;
    void Reply(Answer answer);

    _GtkWidget* window_ = nullptr;
    _GtkWidget* choices_ = nullptr;
    Answered answered_;
    unsigned lostWatch_ = 0;
    bool answered_once_ = false;
};

} // namespace ob::toolkit
