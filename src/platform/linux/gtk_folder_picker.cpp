#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"

namespace vantiro::platform {
namespace {

std::optional<std::string> to_filename(std::u16string_view path) {
  const auto utf8 = utf16_to_utf8_strict(path);
  if (!utf8 || utf8->empty() || utf8->find('\0') != std::string::npos) return std::nullopt;
  gchar* name = g_filename_from_utf8(utf8->c_str(), -1, nullptr, nullptr, nullptr);
  if (name == nullptr) return std::nullopt;
  std::string out(name);
  g_free(name);
  return out;
}

std::optional<std::u16string> from_filename(const gchar* name) {
  if (name == nullptr) return std::nullopt;
  gchar* utf8 = g_filename_to_utf8(name, -1, nullptr, nullptr, nullptr);
  if (utf8 == nullptr) return std::nullopt;
  auto wide = utf8_to_utf16_strict(utf8);
  g_free(utf8);
  return wide;
}

class GtkFolderPicker final : public HostFolderPicker {
 public:
  explicit GtkFolderPicker(OwnerWindow owner) : owner_(owner) {}

  void set_owner(OwnerWindow owner) override { owner_ = owner; }

  FolderPickResult pick_folder(const FolderPickRequest& request) override {
    FolderPickResult result;  // failed
    // The dialog runs a nested loop; a second pick from inside it must not stack dialogs.
    if (open_ || !ensure_display()) return result;
    const auto title = utf16_to_utf8_strict(request.title);
    const auto ok = utf16_to_utf8_strict(request.ok_label);
    if (!title || !ok) return result;

    GtkWindow* parent = owner_.native != nullptr ? GTK_WINDOW(owner_.native) : nullptr;
    // The cancel label comes from GTK's own translations, in the user's language.
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title->c_str(), parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
        g_dgettext("gtk30", "_Cancel"), GTK_RESPONSE_CANCEL,
        ok->empty() ? g_dgettext("gtk30", "_Select") : ok->c_str(), GTK_RESPONSE_ACCEPT, nullptr);
    if (dialog == nullptr) return result;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_create_folders(chooser, TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    if (parent != nullptr) gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
    if (!request.initial_folder.empty()) {
      if (const auto start = to_filename(request.initial_folder))
        gtk_file_chooser_set_current_folder(chooser, start->c_str());
    }

    // Destroying the owner destroys the dialog too; the reference keeps it valid until read.
    g_object_ref_sink(dialog);
    open_ = true;
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    open_ = false;
    if (response == GTK_RESPONSE_CANCEL || response == GTK_RESPONSE_DELETE_EVENT) {
      result.status = FolderPickResult::Status::cancelled;
    } else if (response == GTK_RESPONSE_ACCEPT) {
      gchar* name = gtk_file_chooser_get_filename(chooser);
      if (auto path = from_filename(name); path && !path->empty()) {
        result.status = FolderPickResult::Status::chosen;
        result.path = std::move(*path);
      }
      g_free(name);
    }
    gtk_widget_destroy(dialog);
    g_object_unref(dialog);
    return result;
  }

 private:
  OwnerWindow owner_;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<HostFolderPicker> make_folder_picker(OwnerWindow owner) {
  return std::make_unique<GtkFolderPicker>(owner);
}

}  // namespace vantiro::platform
