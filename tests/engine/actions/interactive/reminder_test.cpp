#include "interactive_fixture.h"

#include "engine/jobs/session_jobs.h"
#include "engine/scheduling/time_evaluation.h"
#include "engine/scheduling/whole_seconds.h"
#include "engine/session/engine_messages.h"
#include "platform/desktop/send_keys.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"

namespace ob::test {
namespace {

using engine::ActionStatement;
using engine::CAlert;
using engine::TimeStatement;

constexpr const char* kJob = "{\n"
                             "-name remind\n"
                             "-start -time 09:00 -inc 1 0 0 0\n"
                             "-start 3/20/1995 18:00:00\n"
                             "-action -alert Call home\n"
                             "}\n";

std::string RightTrimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

class ReminderTest : public InteractiveTest {
protected:
    // Runs the job's -alert statement; the reminder it opened.
    CAlert* OpenReminder() {
        job_ = LoadJob(kJob);
        if (job_ == nullptr) {
            return nullptr;
        }
        alert_ = static_cast<ActionStatement*>(StatementOf(*job_, engine::KIND_ACTION));
        EXPECT_EQ(Execute(*job_, *alert_), engine::Outcome::Done)
            << ::testing::PrintToString(Lines(Events()));
        const auto open = engine::OpenReminders();
        EXPECT_EQ(open.size(), 1u);
        return open.empty() ? nullptr : open.front();
    }
    TimeStatement& Start(int n) {
        return *static_cast<TimeStatement*>(StatementOf(*job_, engine::KIND_START, n));
    }

    engine::Job* job_ = nullptr;
    ActionStatement* alert_ = nullptr;
};

TEST_F(ReminderTest, ShowsTheRunContextsTimeAndTheWords) {
    CAlert* alert = OpenReminder();
    ASSERT_NE(alert, nullptr);
    const std::string expected =
        "Reminder at: " + RightTrimmed(Start(0).next.Format("%#c")) + "\r\nCall home ";
    EXPECT_EQ(alert->Text(), expected);
    EXPECT_NE(alert_->flags & engine::STF_DONE, 0u);
    EXPECT_TRUE(HasLine(Lines(Events()), "Call home "));
    ASSERT_TRUE(WaitShown(*alert));

    // What the window shows: its widgets, and the window itself on the display.
    GtkWidget* window = alert->View()->Widget();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Reminder");
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(Named(window, "1000"))), expected.c_str());
    GtkWidget* choices = Named(window, "1004");
    ASSERT_NE(choices, nullptr);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(choices)), 0);
    gchar* first = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(choices));
    EXPECT_STREQ(first, "5 minutes");
    g_free(first);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(Named(window, "1002"))), "_Dismiss");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(Named(window, "1003"))), "_Snooze");
    EXPECT_NE(WindowTitled("Reminder"), 0u);
}

TEST_F(ReminderTest, DismissLeavesTheStartsAndReleasesTheStatement) {
    CAlert* alert = OpenReminder();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(WaitShown(*alert));
    const datetime::OleDate first = Start(0).next;
    const datetime::OleDate second = Start(1).next;
    ASSERT_TRUE(Click(Named(alert->View()->Widget(), "1002")));
    ASSERT_TRUE(Pump([] { return engine::OpenReminders().empty(); }));
    EXPECT_EQ(alert_->flags & engine::STF_DONE, 0u);
    EXPECT_EQ(Start(0).next.Value(), first.Value());
    EXPECT_EQ(Start(1).next.Value(), second.Value());
    EXPECT_FALSE(Start(0).snoozed);
    EXPECT_TRUE(Pump([] { return WindowTitled("Reminder") == 0; }));
}

TEST_F(ReminderTest, SnoozeMovesEveryStartByTheChosenTimeOnce) {
    CAlert* alert = OpenReminder();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(WaitShown(*alert));
    const datetime::OleDate regular = Start(0).next;
    Start(1).flags |= engine::STF_FIRED;

    // "1 week", the last choice, picked with the keyboard in the focused list.
    desktop::XConnection connection;
    ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
    ASSERT_EQ(desktop::ActivateWindow(connection, WindowTitled("Reminder")),
              desktop::Activation::Activated);
    GtkWidget* window = alert->View()->Widget();
    GtkWidget* choices = Named(window, "1004");
    gtk_widget_grab_focus(choices); // the list's own button takes it
    ASSERT_TRUE(Pump([&] {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        return gtk_window_is_active(GTK_WINDOW(window)) && focus != nullptr &&
               (focus == choices || gtk_widget_is_ancestor(focus, choices));
    }));
    ASSERT_EQ(desktop::SendKeys("{END}").result, desktop::SendKeysResult::Sent);
    ASSERT_TRUE(Pump([&] { return gtk_combo_box_get_active(GTK_COMBO_BOX(choices)) == 12; }));
    ASSERT_TRUE(Click(Named(alert->View()->Widget(), "1003")));
    ASSERT_TRUE(Pump([] { return engine::OpenReminders().empty(); }));

    const datetime::OleDate inAWeek = datetime::OleDate::FromParts(1995, 3, 21, 12, 41, 29);
    for (int n : {0, 1}) {
        EXPECT_EQ(Start(n).next.Format("%Y-%m-%d %H:%M:%S"), "1995-03-21 12:41:29") << n;
        EXPECT_EQ(Start(n).flags & engine::STF_FIRED, 0u) << n;
        EXPECT_TRUE(Start(n).snoozed) << n;
    }
    EXPECT_EQ(alert_->flags & engine::STF_DONE, 0u);

    // At the snoozed time each fires once; the repeating one returns to 09:00.
    SetNow(inAWeek);
    EXPECT_EQ(engine::TimeCheck(session, *job_, Start(0), true), 1);
    EXPECT_EQ(Start(0).next.Format("%Y-%m-%d %H:%M:%S"), "1995-03-22 09:00:00");
    EXPECT_EQ(regular.Format("%H:%M:%S"), "09:00:00");
    EXPECT_FALSE(Start(0).snoozed);
    EXPECT_EQ(engine::TimeCheck(session, *job_, Start(1), true), 1);
    EXPECT_EQ(engine::TimeCheck(session, *job_, Start(1), true), 0) << "a one-shot fires once";
}

TEST_F(ReminderTest, ASnoozedCronStartFiresAtTheSnoozedTime) {
    job_ = LoadJob("{\n-name cronjob\n-start -cron 0 9 * * *\n-action -alert Standup\n}\n");
    ASSERT_NE(job_, nullptr);
    alert_ = static_cast<ActionStatement*>(StatementOf(*job_, engine::KIND_ACTION));
    ASSERT_EQ(Execute(*job_, *alert_), engine::Outcome::Done);
    ASSERT_EQ(engine::OpenReminders().size(), 1u);
    engine::OpenReminders().front()->Snooze(0); // 5 minutes
    EXPECT_TRUE(engine::OpenReminders().empty());
    SetNow(datetime::OleDate::FromParts(1995, 3, 14, 12, 44, 0));
    EXPECT_EQ(engine::TimeCheck(session, *job_, Start(0), true), 0) << "not yet, and no cron match";
    SetNow(datetime::OleDate::FromParts(1995, 3, 14, 12, 46, 29));
    EXPECT_EQ(engine::TimeCheck(session, *job_, Start(0), true), 1);
    EXPECT_FALSE(Start(0).snoozed);
}

TEST_F(ReminderTest, ClosingMessagesAndJobDeletionDismiss) {
    struct Case {
        const char* how;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"EM_CLOSE_WINDOWS for all",
         [] {
             msg::EnumThreadWindows(msg::GetCurrentThreadId(), [](msg::Hwnd hwnd) {
                 msg::SendMessage(hwnd, engine::EM_CLOSE_WINDOWS, 0, 0);
                 return true;
             });
         }},
        {"Escape",
         [] {
             desktop::XConnection connection;
             ASSERT_EQ(connection.Open(), desktop::DisplayStatus::Ok);
             ASSERT_EQ(desktop::ActivateWindow(connection, WindowTitled("Reminder")),
                       desktop::Activation::Activated);
             ASSERT_EQ(desktop::SendKeys("{ESC}").result, desktop::SendKeysResult::Sent);
             ASSERT_TRUE(Pump([] { return engine::OpenReminders().empty(); }));
         }},
        {"job deletion", [this] { engine::DeleteJob(session, job_); }},
    };
    for (const Case& c : cases) {
        CAlert* alert = OpenReminder();
        ASSERT_NE(alert, nullptr) << c.how;
        ASSERT_TRUE(WaitShown(*alert)) << c.how;
        // A message for another job leaves it open.
        msg::SendMessage(alert->Window(), engine::EM_CLOSE_WINDOWS, 0, 1);
        ASSERT_EQ(engine::OpenReminders().size(), 1u);
        const bool deletes = std::string(c.how) == "job deletion";
        c.close();
        EXPECT_TRUE(engine::OpenReminders().empty()) << c.how;
        if (!deletes) {
            EXPECT_EQ(alert_->flags & engine::STF_DONE, 0u) << c.how;
            engine::DeleteJob(session, job_);
        }
        EXPECT_TRUE(Pump([] { return WindowTitled("Reminder") == 0; })) << c.how;
    }
}

TEST_F(ReminderTest, AnyTextIsShownWithoutFault) {
    job_ = LoadJob(kJob);
    ASSERT_NE(job_, nullptr);
    alert_ = static_cast<ActionStatement*>(StatementOf(*job_, engine::KIND_ACTION));
    struct Case {
        std::string words;
        std::string shownStart; // the label text after "Reminder at: \r\n"
        std::size_t maxBytes;
    };
    const Case cases[] = {
        {std::string("a\xff\xfe"
                     "b "),
         "a\xef\xbf\xbd\xef\xbf\xbd"
         "b ",
         64},
        {std::string("nul\0byte ", 9),
         "nul\xef\xbf\xbd"
         "byte ",
         64},
        {std::string(300000, 'x') + "\xc3\xa9 ", std::string(100, 'x'), 8192 + 3},
        {"", "", 64},
    };
    for (const Case& c : cases) {
        std::string problem;
        CAlert* alert = engine::CreateReminder(session, nullptr, *alert_, c.words, *job_, problem);
        ASSERT_NE(alert, nullptr) << problem;
        ASSERT_TRUE(Pump([&] { return gtk_widget_get_mapped(alert->View()->Widget()); }));
        const std::string shown =
            gtk_label_get_text(GTK_LABEL(Named(alert->View()->Widget(), "1000")));
        EXPECT_TRUE(g_utf8_validate(shown.data(), static_cast<gssize>(shown.size()), nullptr));
        EXPECT_EQ(shown.rfind("Reminder at: \r\n" + c.shownStart, 0), 0u);
        EXPECT_LE(shown.size(), c.maxBytes);
        alert->Dismiss();
    }
}

} // namespace
} // namespace ob::test

namespace ob::test {
namespace {

TEST_F(ReminderTest, ALostDisplayDismissesAndTheEngineGoesOn) {
    CAlert* alert = OpenReminder();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(WaitShown(*alert));
    server_.Stop(); // the X server goes away under the open reminder
    EXPECT_TRUE(Pump([] { return engine::OpenReminders().empty(); }));
    EXPECT_EQ(alert_->flags & engine::STF_DONE, 0u);
    EXPECT_EQ(Execute(*job_, *alert_), engine::Outcome::Fatal);
    EXPECT_TRUE(HasLine(Lines(Events()), "DISPLAY is not set."));
    EXPECT_EQ(Directive(*job_, "-print still running"), engine::Outcome::Done);
}

} // namespace
} // namespace ob::test
