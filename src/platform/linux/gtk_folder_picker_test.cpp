#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"
#include "platform/port_test_support.h"

namespace vantiro::platform {
namespace {

using gtk_tests::DialogDriver;
using port_tests::TempFolder;

constexpr std::u16string_view kTitle = u"Välj din FiveM resources-mapp";
constexpr std::u16string_view kOk = u"Välj mapp";

std::u16string wide(const std::filesystem::path& p) {
  return to_utf16(port_tests::utf8(p));
}

GType chooser_type() {
  return GTK_TYPE_FILE_CHOOSER_DIALOG;
}

std::string current_folder(GtkWidget* dialog) {
  gchar* current = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
  std::string out = current != nullptr ? current : "<none>";
  g_free(current);
  return out;
}

// Ready once the dialog has loaded the folder.
std::function<bool(GtkWidget*)> showing(const std::filesystem::path& folder) {
  return [want = port_tests::utf8(folder)](GtkWidget* d) { return current_folder(d) == want; };
}

FolderPickRequest request_at(std::u16string initial = {}) {
  return FolderPickRequest{kTitle, kOk, std::move(initial)};
}

std::string button_label(GtkWidget* dialog, gint response) {
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
  if (button == nullptr || !GTK_IS_BUTTON(button)) return "<none>";
  const gchar* label = gtk_button_get_label(GTK_BUTTON(button));
  return label != nullptr ? label : "<none>";
}

TEST(GtkFolderPicker, CancelGivesCancelledAndShowsTheTitleAndOwner) {
  VANTIRO_REQUIRE_DISPLAY();
  GtkWidget* owner = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(owner);
  auto picker = make_folder_picker(OwnerWindow{owner});

  std::string title, ok_label;
  bool folder_mode = false;
  GtkWindow* transient = nullptr;
  DialogDriver driver(chooser_type(), [&](GtkWidget* d) {
    title = gtk_window_get_title(GTK_WINDOW(d));
    ok_label = button_label(d, GTK_RESPONSE_ACCEPT);
    folder_mode =
        gtk_file_chooser_get_action(GTK_FILE_CHOOSER(d)) == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    transient = gtk_window_get_transient_for(GTK_WINDOW(d));
    gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL);
  });
  const FolderPickResult r = picker->pick_folder(request_at());
  ASSERT_TRUE(driver.acted()) << "the dialog never appeared";
  EXPECT_EQ(r.status, FolderPickResult::Status::cancelled);
  EXPECT_TRUE(r.path.empty());
  EXPECT_EQ(title, to_utf8(kTitle));
  EXPECT_EQ(ok_label, to_utf8(kOk));
  EXPECT_TRUE(folder_mode);
  EXPECT_EQ(transient, GTK_WINDOW(owner));
  EXPECT_EQ(gtk_tests::find_toplevel(chooser_type()), nullptr) << "dialog left open";
  gtk_widget_destroy(owner);
  gtk_tests::drain_loop();
}

TEST(GtkFolderPicker, ClosingTheDialogWindowCountsAsCancelled) {
  VANTIRO_REQUIRE_DISPLAY();
  auto picker = make_folder_picker(OwnerWindow{});
  DialogDriver driver(chooser_type(), [](GtkWidget* d) {
    gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_DELETE_EVENT);
  });
  EXPECT_EQ(picker->pick_folder(request_at()).status, FolderPickResult::Status::cancelled);
  EXPECT_TRUE(driver.acted());
}

TEST(GtkFolderPicker, AcceptGivesTheChosenFolderAsAWidePath) {
  VANTIRO_REQUIRE_DISPLAY();
  TempFolder temp;
  const auto chosen = temp / u8"server-data" / u8"resources åäö";
  std::filesystem::create_directories(chosen);
  auto picker = make_folder_picker(OwnerWindow{});
  bool moved = false;
  DialogDriver driver(
      chooser_type(), [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT); },
      [&](GtkWidget* d) {
        if (!moved) {
          gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(d),
                                              port_tests::utf8(chosen).c_str());
          moved = true;
        }
        return showing(chosen)(d);
      });
  const FolderPickResult r = picker->pick_folder(request_at());
  ASSERT_TRUE(driver.acted());
  EXPECT_EQ(r.status, FolderPickResult::Status::chosen);
  EXPECT_EQ(to_utf8(r.path), port_tests::utf8(chosen));
}

TEST(GtkFolderPicker, OpensAtTheInitialFolder) {
  VANTIRO_REQUIRE_DISPLAY();
  TempFolder temp;
  const auto start = temp / u8"resources";
  std::filesystem::create_directories(start);
  auto picker = make_folder_picker(OwnerWindow{});
  std::string shown;
  DialogDriver driver(
      chooser_type(),
      [&](GtkWidget* d) {
        shown = current_folder(d);
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
      },
      showing(start));
  const FolderPickResult r = picker->pick_folder(request_at(wide(start)));
  ASSERT_TRUE(driver.acted());
  EXPECT_EQ(shown, port_tests::utf8(start));
  // Accepting without touching anything picks the folder the dialog opened in.
  EXPECT_EQ(r.status, FolderPickResult::Status::chosen);
  EXPECT_EQ(to_utf8(r.path), port_tests::utf8(start));
}

TEST(GtkFolderPicker, ASecondPickWhileOpenFailsWithoutASecondDialog) {
  VANTIRO_REQUIRE_DISPLAY();
  auto picker = make_folder_picker(OwnerWindow{});
  FolderPickResult inner;
  int dialogs = -1;
  DialogDriver driver(chooser_type(), [&](GtkWidget* d) {
    inner = picker->pick_folder(request_at());
    dialogs = 0;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l != nullptr; l = l->next)
      if (GTK_IS_FILE_CHOOSER_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
        ++dialogs;
    g_list_free(all);
    gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL);
  });
  EXPECT_EQ(picker->pick_folder(request_at()).status, FolderPickResult::Status::cancelled);
  ASSERT_TRUE(driver.acted());
  EXPECT_EQ(inner.status, FolderPickResult::Status::failed);
  EXPECT_EQ(dialogs, 1);
}

// The owner can go away while the dialog's loop runs (the window is closed from elsewhere);
// the dialog goes with it and the pick reports a failure instead of touching a dead dialog.
TEST(GtkFolderPicker, DestroyingTheOwnerWhileOpenGivesFailed) {
  VANTIRO_REQUIRE_DISPLAY();
  GtkWidget* owner = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(owner);
  auto picker = make_folder_picker(OwnerWindow{owner});
  DialogDriver driver(chooser_type(), [&](GtkWidget*) { gtk_widget_destroy(owner); });
  EXPECT_EQ(picker->pick_folder(request_at()).status, FolderPickResult::Status::failed);
  EXPECT_TRUE(driver.acted());
  EXPECT_EQ(gtk_tests::find_toplevel(chooser_type()), nullptr);
  gtk_tests::drain_loop();
}

TEST(GtkFolderPicker, RefusesATitleThatIsNotValidText) {
  VANTIRO_REQUIRE_DISPLAY();
  auto picker = make_folder_picker(OwnerWindow{});
  const char16_t lone[] = {u'a', 0xD800};
  const FolderPickRequest request{std::u16string_view(lone, 2), kOk, {}};
  EXPECT_EQ(picker->pick_folder(request).status, FolderPickResult::Status::failed);
  EXPECT_EQ(gtk_tests::find_toplevel(chooser_type()), nullptr);
}

}  // namespace
}  // namespace vantiro::platform
