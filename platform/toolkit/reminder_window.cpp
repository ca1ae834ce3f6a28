#include "platform/toolkit/reminder_window.h"

#include "platform/toolkit/displayable_text.h"

#include <gtk/gtk.h>

namespace ob::toolkit {
namespace {

constexpr int kTextWidthChars = 48;
constexpr int kTextMaxHeight = 320;

template <typename Handler>
void Connect(gpointer instance, const char* signal, Handler handler, gpointer data) {
    g_signal_connect(instance, signal, G_CALLBACK(handler), data);
}

GtkWidget* Named(GtkWidget* widget, const char* name) {
    gtk_widget_set_name(widget, name);
    return widget;
}

} // namespace

std::unique_ptr<ReminderWindow> ReminderWindow::Open(const ReminderContent& content,
                                                     Answered answered, ToolkitReady& ready) {
    const ToolkitSection section;
    ready = AcquireToolkit();
    if (ready.status != ToolkitStatus::Ready) {
        return nullptr;
    }
    std::unique_ptr<ReminderWindow> self(new ReminderWindow);
    self->answered_ = std::move(answered);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    self->window_ = window;
    g_object_ref_sink(window); // ours until the destructor, whatever GTK does
    gtk_window_set_title(GTK_WINDOW(window), DisplayableText(content.caption).c_str());
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_urgency_hint(GTK_WINDOW(window), TRUE);
    gtk_container_set_border_width(GTK_CONTAINER(window), 8);

    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_ETCHED_IN);
    gtk_container_add(GTK_CONTAINER(window), frame);
    GtkWidget* grid = gtk_grid_new();
    gtk_container_set_border_width(GTK_CONTAINER(grid), 8);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_container_add(GTK_CONTAINER(frame), grid);

    GtkWidget* icon = gtk_image_new_from_icon_name("dialog-information", GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(icon, GTK_ALIGN_START);
    gtk_grid_attach(GTK_GRID(grid), icon, 0, 0, 1, 1);

    GtkWidget* label = Named(gtk_label_new(DisplayableText(content.text).c_str()), "1000");
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_width_chars(GTK_LABEL(label), kTextWidthChars);
    gtk_label_set_max_width_chars(GTK_LABEL(label), kTextWidthChars);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), kTextMaxHeight);
    gtk_container_add(GTK_CONTAINER(scroller), label);
    gtk_widget_set_hexpand(scroller, TRUE);
    gtk_grid_attach(GTK_GRID(grid), scroller, 1, 0, 2, 1);

    GtkWidget* choices = Named(gtk_combo_box_text_new(), "1004");
    for (const std::string& choice : content.choices) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(choices),
                                       DisplayableText(choice).c_str());
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(choices), content.selected);
    self->choices_ = choices;
    gtk_grid_attach(GTK_GRID(grid), choices, 2, 1, 1, 1);

    GtkWidget* dismiss = Named(gtk_button_new_with_mnemonic("_Dismiss"), "1002");
    GtkWidget* snooze = Named(gtk_button_new_with_mnemonic("_Snooze"), "1003");
    gtk_grid_attach(GTK_GRID(grid), dismiss, 1, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), snooze, 2, 2, 1, 1);

    ReminderWindow* raw = self.get();
    Connect(
        dismiss, "clicked",
        +[](GtkButton*, gpointer data) {
            static_cast<ReminderWindow*>(data)->Reply(Answer::Dismiss);
        },
        raw);
    Connect(
        snooze, "clicked",
        +[](GtkButton*, gpointer data) {
            static_cast<ReminderWindow*>(data)->Reply(Answer::Snooze);
        },
        raw);
    Connect(
        window, "delete-event",
        +[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
            static_cast<ReminderWindow*>(data)->Reply(Answer::Closed);
            return TRUE; // the owner destroys the window
        },
        raw);
    Connect(
        window, "key-press-event",
        +[](GtkWidget*, GdkEventKey* key, gpointer data) -> gboolean {
            if (key->keyval != GDK_KEY_Escape) {
                return FALSE;
            }
            static_cast<ReminderWindow*>(data)->Reply(Answer::Closed);
            return TRUE;
        },
        raw);
    self->lostWatch_ = OnDisplayLost([raw] { raw->Reply(Answer::Lost); });

    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
    ServeToolkit();
    return self;
}

ReminderWindow::~ReminderWindow() {
    const ToolkitSection section;
    ForgetDisplayLost(lostWatch_);
    if (window_ != nullptr) {
        gtk_widget_destroy(window_);
        g_object_unref(window_);
    }
    ReleaseToolkit();
}

void ReminderWindow::Reply(Answer answer) {
    if (answered_once_) {
        return; // a second click before the owner closed the window
    }
    answered_once_ = true;
    const int choice = gtk_combo_box_get_active(GTK_COMBO_BOX(choices_));
    // The owner may destroy this window here: nothing of it is used afterwards.
    answered_(answer, choice);
}

} // namespace ob::toolkit
