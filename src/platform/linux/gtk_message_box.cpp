#include <gtk/gtk.h>

#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"

namespace vantiro::platform {

bool show_message_box(MessageBoxKind kind, std::u16string_view text, OwnerWindow owner) {
  const auto body = utf16_to_utf8_strict(text);
  const auto caption = utf16_to_utf8_strict(kMessageBoxCaption);
  if (!body || !caption || !ensure_display()) return false;
  GtkWindow* parent = owner.native != nullptr ? GTK_WINDOW(owner.native) : nullptr;
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL,
                             kind == MessageBoxKind::error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
                             GTK_BUTTONS_OK, "%s", body->c_str());
  if (dialog == nullptr) return false;
  gtk_window_set_title(GTK_WINDOW(dialog), caption->c_str());
  // Without an owner the box is the only window of the process (start-up and uninstall
  // messages), so it must not open behind other programs.
  if (parent == nullptr) {
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  }
  g_object_ref_sink(dialog);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  return true;
}

}  // namespace vantiro::platform
