// The reminder dialog of "-alert": one CAlert per open reminder, created on the
// engine thread and living until Dismiss, Snooze, its window's closing, or the
// deletion of its job. Engine thread only.
//
// Each reminder has an engine window (class "ObrentaReminder") among the engine
// thread's windows, so EM_CLOSE_WINDOWS (all, or those of one job) closes it as
// Dismiss, and a toolkit window showing it (platform/toolkit/reminder_window.h).
// While it is open its "-alert" statement carries STF_DONE.
#pragma once

#include "engine/jobs/action_statement.h"
#include "engine/jobs/job.h"
#include "engine/jobs/time_statement.h"
#include "platform/msg/message.h"
#include "platform/toolkit/reminder_window.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ob::engine {

struct EngineSession;

struct SnoozeChoice {
    std::string_view text;
    std::uint32_t minutes;
};

/// The snooze choices in list order; the first is selected when a reminder opens.
inline constexpr std::array<SnoozeChoice, 13> kSnoozeChoices = {{
    {"5 minutes", 5},
    {"10 minutes", 10},
    {"15 minutes", 15},
    {"30 minutes", 30},
    {"1 hour", 60},
    {"2 hours", 120},
    {"4 hours", 240},
    {"8 hours", 480},
    {"1 day", 1440},
    {"2 days", 2880},
    {"3 days", 4320},
    {"4 days", 5760},
    {"1 week", 10080},
}};

/// Class name of the reminders' engine windows.
inline constexpr std::string_view kReminderClass = "ObrentaReminder";

class CAlert {
public:
    virtual ~CAlert();
    CAlert(const CAlert&) = delete;
    CAlert& operator=(const CAlert&) = delete;

    /// Dismiss: clears STF_DONE on the statement and closes the reminder (this
    /// object is gone afterwards).
    void Dismiss();
    /// Snooze with a choice of kSnoozeChoices: when the job is still queued, every
    /// start statement of the job is set to fire at now + the choice's minutes
    /// (once; a repeating one then goes back to its schedule); then as Dismiss.
    void Snooze(int choice);

    /// "Reminder at: <next time of the run context>\r\n<words>".
    const std::string& Text() const { return text_; }
    Job& OwnerJob() const { return job_; }
    msg::Hwnd Window() const { return window_; }
    toolkit::ReminderWindow* View() const { return view_.get(); }

private:
    friend CAlert* CreateReminder(EngineSession&, TimeStatement*, ActionStatement&,
                                  const std::string&, Job&, std::string&);
    CAlert(EngineSession& session, ActionStatement& statement, Job& job, std::string text);
    void Close();

    EngineSession& session_;
    Job& job_;
    ActionStatement& statement_; ///< the "-alert" statement
    std::string text_;
    msg::Hwnd window_ = 0;
    std::unique_ptr<toolkit::ReminderWindow> view_;
};

/// Creates and shows a reminder with `words` (each followed by one blank) as its
/// text; the run context's next time heads it. Null, with `problem` set, when no
/// dialog can be shown (no display, or another session holds the desktop).
CAlert* CreateReminder(EngineSession& session, TimeStatement* runContext,
                       ActionStatement& statement, const std::string& words, Job& job,
                       std::string& problem);

/// The open reminders of the calling (engine) thread, oldest first.
std::vector<CAlert*> OpenReminders();

} // namespace ob::engine
