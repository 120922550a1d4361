// The message box: a GtkMessageDialog run through tk::RunModal, so timers
// keep ticking while it is open.
#include <gtk/gtk.h>

#include "toolkit/linux/linux_platform.h"
#include "toolkit/linux/text_input.h"
#include "toolkit/toolkit.h"

namespace tk::gtkx {

namespace {

// GTK draws no image for a message of its own: the critical-stop sign of the
// icon theme goes before the text, where the box keeps room for one.
void ShowCriticalStop(GtkMessageDialog* dialog) {
  GtkWidget* text = gtk_message_dialog_get_message_area(dialog);
  GtkWidget* row = gtk_widget_get_parent(text);
  if (!GTK_IS_BOX(row)) return;
  GtkWidget* image = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_name(image, "critical-stop");
  gtk_widget_set_valign(image, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(row), image, 0);
}

}  // namespace

MsgBoxResult LinuxPlatform::MessageBox(const MessageBoxRequest& request) {
  struct State {
    LinuxPlatform* platform;
    bool answered = false;
    int response = GTK_RESPONSE_NONE;
    bool yesNo = false;
  } state{this};
  state.yesNo = request.buttons == MsgBoxButtons::YesNo;

  GtkWidget* dialog = gtk_message_dialog_new(
      ParentWindow(), GTK_DIALOG_MODAL,
      request.icon == MsgBoxIcon::Critical ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
      GTK_BUTTONS_NONE, "%s", LabelText(request.text).c_str());
  g_object_ref_sink(dialog);
  gtk_window_set_title(GTK_WINDOW(dialog), request.title.c_str());
  if (request.icon == MsgBoxIcon::Critical) ShowCriticalStop(GTK_MESSAGE_DIALOG(dialog));
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  if (state.yesNo) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Yes", GTK_RESPONSE_YES);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_No", GTK_RESPONSE_NO);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), request.defaultAnswer == MsgBoxResult::No
                                                            ? GTK_RESPONSE_NO
                                                            : GTK_RESPONSE_YES);
  } else {
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_OK", GTK_RESPONSE_OK);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  }
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer data) {
                     auto* s = static_cast<State*>(data);
                     // A Yes/No box cannot be closed without an answer.
                     if (response == GTK_RESPONSE_DELETE_EVENT && s->yesNo) return;
                     s->response = response;
                     s->answered = true;
                     s->platform->Wake();
                   }),
                   &state);
  g_signal_connect(dialog, "delete-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     auto* s = static_cast<State*>(data);
                     if (!s->yesNo) {
                       s->response = GTK_RESPONSE_OK;
                       s->answered = true;
                       s->platform->Wake();
                     }
                     return TRUE;
                   }),
                   &state);

  // Taken down however the wait ends (the program may end inside it).
  struct Guard {
    GtkWidget* dialog;
    void* data;
    ~Guard() {
      g_signal_handlers_disconnect_by_data(dialog, data);
      gtk_widget_destroy(dialog);
      g_object_unref(dialog);
    }
  } guard{dialog, &state};
  gtk_widget_show_all(dialog);
  gtk_window_present(GTK_WINDOW(dialog));
  RunModal([&state] { return state.answered; });

  switch (state.response) {
    case GTK_RESPONSE_YES:
      return MsgBoxResult::Yes;
    case GTK_RESPONSE_NO:
      return MsgBoxResult::No;
    default:
      return MsgBoxResult::Ok;
  }
}

}  // namespace tk::gtkx
