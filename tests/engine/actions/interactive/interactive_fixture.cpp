#include "interactive_fixture.h"

#include "support/x_pointer.h"

#include "engine/actions/statement_executor.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/session/engine_messages.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"
#include "variables/variable_manager.h"

#include <chrono>
#include <cstdlib>

namespace ob::test {
namespace {

std::chrono::system_clock::time_point g_now;

std::chrono::system_clock::time_point TestNow() {
    return g_now;
}

struct Search {
    const char* name;
    GtkWidget* found;
};

void Visit(GtkWidget* widget, gpointer data) {
    auto* search = static_cast<Search*>(data);
    if (search->found != nullptr) {
        return;
    }
    if (g_strcmp0(gtk_widget_get_name(widget), search->name) == 0) {
        search->found = widget;
    } else if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(GTK_CONTAINER(widget), Visit, data);
    }
}

} // namespace

void InteractiveTest::SetUp() {
    HostDirectiveTest::SetUp();
    ::setenv("NO_AT_BRIDGE", "1", 1); // no accessibility bus on the private server
    const std::string missing = XServer::Unavailable(true);
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    ASSERT_TRUE(server_.Start(true)) << server_.Problem();
    SetNow(datetime::OleDate::FromParts(1995, 3, 14, 12, 41, 29));
}

void InteractiveTest::TearDown() {
    // Reminders still open close as at shut-down, before their jobs and the server go.
    msg::EnumThreadWindows(msg::GetCurrentThreadId(), [](msg::Hwnd hwnd) {
        msg::SendMessage(hwnd, engine::EM_CLOSE_WINDOWS, 0, 0);
        return true;
    });
    server_.Stop();
    HostDirectiveTest::TearDown();
}

engine::Job* InteractiveTest::LoadJob(const std::string& text) {
    EXPECT_TRUE(LoadScript("job.jr", text));
    EXPECT_GE(session.jobs.Size(), 1u);
    return session.jobs.Size() == 0 ? nullptr : session.jobs.At(0);
}

engine::Statement* InteractiveTest::StatementOf(engine::Job& job, std::uint32_t kind, int n) {
    for (const auto& statement : job.Statements()) {
        if (statement->Kind() == kind && n-- == 0) {
            return statement.get();
        }
    }
    return nullptr;
}

engine::Outcome InteractiveTest::Execute(engine::Job& job, engine::ActionStatement& statement) {
    auto* start = static_cast<engine::TimeStatement*>(StatementOf(job, engine::KIND_START));
    std::vector<std::string> words;
    engine::ArgumentTokeniser(statement.Text(), engine::TOKENISE_EXPAND, words);
    engine::ActionContext context{session, start, statement, job, words};
    return engine::Dispatch(context);
}

engine::Outcome InteractiveTest::Directive(engine::Job& job, const std::string& text) {
    engine::ActionStatement statement;
    statement.SetText(text);
    statement.line = 1;
    return Execute(job, statement);
}

bool InteractiveTest::Pump(const std::function<bool()>& done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        msg::Message m;
        if (msg::GetMessageTimeout(m, 20) > 0 && m.hwnd != 0) {
            msg::DispatchMessage(m);
        }
    }
    return true;
}

GtkWidget* InteractiveTest::Named(GtkWidget* root, const char* name) {
    Search search{name, nullptr};
    Visit(root, &search);
    return search.found;
}

bool InteractiveTest::WaitShown(engine::CAlert& alert) {
    GtkWidget* window = alert.View()->Widget();
    if (!Pump([&] { return gtk_widget_get_mapped(window) && WindowTitled("Reminder") != 0; })) {
        return false;
    }
    // The window manager frames and centres it: let that settle.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    Pump([&] { return std::chrono::steady_clock::now() > settle; });
    return true;
}

bool InteractiveTest::Click(GtkWidget* widget) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    int x = 0;
    int y = 0;
    if (!gtk_widget_translate_coordinates(widget, top, gtk_widget_get_allocated_width(widget) / 2,
                                          gtk_widget_get_allocated_height(widget) / 2, &x, &y)) {
        return false;
    }
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
    return ClickAt(originX + x, originY + y);
}

desktop::WindowId InteractiveTest::WindowTitled(const std::string& title) {
    desktop::XConnection connection;
    if (connection.Open() != desktop::DisplayStatus::Ok) {
        return 0;
    }
    desktop::WindowId found = 0;
    for (const desktop::DesktopWindow& window : desktop::WalkWindows(connection)) {
        if (window.title == title) {
            found = window.id;
        }
    }
    return found;
}

std::string InteractiveTest::LastError() {
    return vars::MainStore().Get(nullptr, "JR.LAST_ERROR", vars::ENV_TRANSIENT).value_or("");
}

void InteractiveTest::SetNow(const datetime::OleDate& now) {
    std::time_t seconds = 0;
    ASSERT_TRUE(now.ToTimeT(seconds));
    g_now = std::chrono::system_clock::from_time_t(seconds);
    clock::SetTestClock(&TestNow);
}

} // namespace ob::test
