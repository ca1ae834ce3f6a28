#include "platform/toolkit/message_box.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/thread_timer.h"
#include "platform/msg/window.h"
#include "platform/toolkit/displayable_text.h"

#include <gtk/gtk.h>

#include <mutex>
#include <optional>

namespace ob::toolkit {
namespace {

constexpr std::string_view kWaitClass = "ObrentaMessageBoxWait";
constexpr std::uintptr_t kWaitTimer = 1;

struct Wait {
    bool closed = false;
    bool lost = false;
    msg::Hwnd window = 0;
};

// Wakes the wait below: its GetMessage takes only WM_TIMER.
void Wake(const Wait& wait) {
    msg::PostMessage(wait.window, msg::WM_TIMER, kWaitTimer, 0);
}

} // namespace

MessageBoxResult ShowMessageBox(const std::string& caption, const std::string& text,
                                const std::function<bool()>& keepWaiting, std::string& problem) {
    const ToolkitReady ready = AcquireToolkit();
    if (ready.status != ToolkitStatus::Ready) {
        problem = ready.problem;
        return MessageBoxResult::NoDisplay;
    }
    static std::once_flag registered;
    std::call_once(registered, [] { msg::RegisterClass(kWaitClass, msg::DefWindowProc); });
    Wait wait;
    wait.window = msg::CreateWindow(kWaitClass, "message box wait");
    msg::SetTimer(wait.window, kWaitTimer, kMessageBoxPollMs);

    std::optional<ToolkitSection> section(std::in_place);
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                            GTK_BUTTONS_OK, "%s", DisplayableText(text).c_str());
    g_object_ref_sink(box);
    gtk_window_set_title(GTK_WINDOW(box), DisplayableText(caption).c_str());
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    g_signal_connect(box, "response", G_CALLBACK(+[](GtkDialog*, gint, gpointer data) {
                         auto* state = static_cast<Wait*>(data);
                         state->closed = true;
                         Wake(*state);
                     }),
                     &wait);
    const unsigned lostWatch = OnDisplayLost([&wait] {
        wait.lost = true;
        Wake(wait);
    });
    gtk_widget_show_all(box);
    gtk_window_present(GTK_WINDOW(box));
    ServeToolkit();
    section.reset(); // not held while waiting

    MessageBoxResult result = MessageBoxResult::Closed;
    while (!wait.closed && !wait.lost) {
        if (!keepWaiting()) {
            result = MessageBoxResult::Abandoned;
            break;
        }
        msg::Message m;
        const int got = msg::GetMessage(m, msg::WM_TIMER, msg::WM_TIMER);
        if (got == 0) {
            msg::PostQuitMessage(static_cast<int>(m.wParam)); // for the thread's own loop
            result = MessageBoxResult::Abandoned;
            break;
        }
        if (got < 0) {
            result = MessageBoxResult::Abandoned;
            break;
        }
        if (m.hwnd != 0 && m.hwnd != wait.window) {
            msg::DispatchMessage(m); // another window's timer, the toolkit's among them
        }
    }
    if (wait.lost) {
        problem = "The connection to the X display was lost.";
        result = MessageBoxResult::NoDisplay;
    }
    ForgetDisplayLost(lostWatch);
    section.emplace();
    gtk_widget_destroy(box);
    g_object_unref(box);
    msg::DestroyWindow(wait.window);
    ReleaseToolkit();
    return result;
}

} // namespace ob::toolkit
