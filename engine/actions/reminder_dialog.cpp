#include "engine/actions/reminder_dialog.h"

#include "engine/scheduling/whole_seconds.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "platform/msg/window.h"
#include "platform/time/ole_date.h"

#include <map>
#include <mutex>

namespace ob::engine {
namespace {

constexpr double kMinutesPerDay = 1440.0;

// The reminders of this thread by their engine window; owning them here is what
// keeps them alive until they close.
std::map<msg::Hwnd, std::unique_ptr<CAlert>>& Reminders() {
    thread_local std::map<msg::Hwnd, std::unique_ptr<CAlert>> reminders;
    return reminders;
}

msg::LRESULT ReminderProc(msg::Hwnd hwnd, std::uint32_t message, msg::WPARAM wParam,
                          msg::LPARAM lParam) {
    if (message == EM_CLOSE_WINDOWS) {
        auto found = Reminders().find(hwnd);
        if (found != Reminders().end() &&
            (lParam == 0 || lParam == reinterpret_cast<msg::LPARAM>(&found->second->OwnerJob()))) {
            found->second->Dismiss();
        }
        return 0;
    }
    return msg::DefWindowProc(hwnd, message, wParam, lParam);
}

std::string RightTrimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

} // namespace

CAlert::CAlert(EngineSession& session, ActionStatement& statement, Job& job, std::string text)
    : session_(session), job_(job), statement_(statement), text_(std::move(text)) {}

CAlert::~CAlert() {
    view_.reset();
    if (window_ != 0) {
        msg::DestroyWindow(window_);
    }
}

void CAlert::Dismiss() {
    statement_.flags &= ~STF_DONE;
    Close();
}

void CAlert::Snooze(int choice) {
    bool queued = false;
    {
        SessionLock lock(session_);
        queued = session_.jobs.Contains(&job_);
    }
    if (queued && choice >= 0 && static_cast<std::size_t>(choice) < kSnoozeChoices.size()) {
        const double days =
            kSnoozeChoices[static_cast<std::size_t>(choice)].minutes / kMinutesPerDay;
        const datetime::OleDate when =
            WholeSeconds(datetime::OleDate::Now() + datetime::OleDateSpan(days));
        for (const auto& statement : job_.Statements()) {
            if (statement->Kind() != KIND_START) {
                continue;
            }
            auto& start = static_cast<TimeStatement&>(*statement);
            const bool repeating = start.increment.GetStatus() == datetime::Status::Valid &&
                                   start.increment.TotalSeconds() > 0 &&
                                   (start.flags & STF_CRON) == 0;
            if (repeating && !start.snoozed) {
                start.resumeNext = start.next;
            }
            start.next = when;
            start.snoozed = true;
            start.flags &= ~STF_FIRED;
        }
    }
    Dismiss();
}

void CAlert::Close() {
    // Destroys this object: nothing of it may be used afterwards.
    Reminders().erase(window_);
}

CAlert* CreateReminder(EngineSession& session, TimeStatement* runContext,
                       ActionStatement& statement, const std::string& words, Job& job,
                       std::string& problem) {
    static std::once_flag registered;
    std::call_once(registered, [] { msg::RegisterClass(kReminderClass, ReminderProc); });

    std::string text = "Reminder at: ";
    if (runContext != nullptr) {
        text += RightTrimmed(runContext->next.Format("%#c"));
    }
    text += "\r\n" + words;
    std::unique_ptr<CAlert> alert(new CAlert(session, statement, job, std::move(text)));

    toolkit::ReminderContent content;
    content.caption = "Reminder";
    content.text = alert->text_;
    for (const SnoozeChoice& choice : kSnoozeChoices) {
        content.choices.emplace_back(choice.text);
    }
    content.selected = 0;
    CAlert* raw = alert.get();
    toolkit::ToolkitReady ready;
    alert->view_ = toolkit::ReminderWindow::Open(
        content,
        [raw](toolkit::ReminderWindow::Answer answer, int choice) {
            if (answer == toolkit::ReminderWindow::Answer::Snooze) {
                raw->Snooze(choice);
            } else {
                raw->Dismiss(); // also a window closed by the user, or a lost display
            }
        },
        ready);
    if (!alert->view_) {
        problem = ready.problem;
        return nullptr;
    }
    alert->window_ = msg::CreateWindow(kReminderClass, "Reminder");
    if (alert->window_ == 0) {
        problem = "The reminder's engine window could not be created.";
        return nullptr;
    }
    Reminders().emplace(alert->window_, std::move(alert));
    return raw;
}

std::vector<CAlert*> OpenReminders() {
    std::vector<CAlert*> open;
    for (const auto& [window, alert] : Reminders()) {
        open.push_back(alert.get());
    }
    return open;
}

} // namespace ob::engine
