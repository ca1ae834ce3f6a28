// Fixture for the interactive directives: the host directives' session (the test
// thread plays the engine thread) on a private X server with a window manager, the
// engine thread's loop pumped by the test, and the reminder's GTK widgets looked up
// by their control names.
#pragma once

#include "../host/host_fixture.h"
#include "support/x_server.h"

#include "engine/actions/reminder_dialog.h"
#include "platform/desktop/desktop_windows.h"

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace ob::test {

class InteractiveTest : public HostDirectiveTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Loads a job script with one job and returns it (a test failure if none).
    engine::Job* LoadJob(const std::string& text);
    /// The n-th statement of a kind in a job (0: the first).
    static engine::Statement* StatementOf(engine::Job& job, std::uint32_t kind, int n = 0);
    /// Executes a statement of a job with its first start statement as run context;
    /// the directive's outcome.
    engine::Outcome Execute(engine::Job& job, engine::ActionStatement& statement);
    /// Dispatches a statement made of `text` for `job`; its outcome.
    engine::Outcome Directive(engine::Job& job, const std::string& text);

    /// Serves the engine thread's messages until `done` holds or `ms` pass.
    static bool Pump(const std::function<bool()>& done, int ms = 10000);
    /// A named widget below `root` (internal children included), or null.
    static GtkWidget* Named(GtkWidget* root, const char* name);
    /// Waits until the reminder is shown and placed; false if it is not.
    bool WaitShown(engine::CAlert& alert);
    /// Clicks the middle of a widget through XTest.
    static bool Click(GtkWidget* widget);
    /// The X window whose title is `title` (the last of the walk), 0 if none.
    static desktop::WindowId WindowTitled(const std::string& title);

    static std::string LastError();
    /// Sets the test clock (local time).
    static void SetNow(const datetime::OleDate& now);

    XServer server_;
};

} // namespace ob::test
