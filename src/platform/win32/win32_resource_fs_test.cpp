#include <windows.h>

#include "platform/resource_fs_port_tests.h"

namespace vantiro::platform::port_tests {
namespace {

// Some emulated systems report success without making the link, so the result is checked.
bool made_link(const Path& link, const Path& target, DWORD flags) {
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(),
                           flags | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    return false;
  const DWORD attributes = GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool host_make_folder_link(const Path& link, const Path& target) {
  return made_link(link, target, SYMBOLIC_LINK_FLAG_DIRECTORY);
}

bool host_make_file_link(const Path& link, const Path& target) {
  return made_link(link, target, 0);
}

bool host_is_link(const Path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct OpenRoot {
  std::unique_ptr<ResourceFs> rfs = make_resource_fs();
  OpenedFolder root;
  explicit OpenRoot(const Path& p) : root(rfs->open_root_folder(u16(p))) {}
  ~OpenRoot() {
    if (root.status == OpenStatus::ok) rfs->close_folder(root.folder);
  }
};

TEST(Win32ResourceFs, NamesThatWouldReachAnotherPlaceOrStreamAreRefused) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "sub");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  for (std::u16string_view bad : {u"sub\\x.lua", u"..\\x.lua", u"x.lua:stream", u"C:x.lua",
                                  u"x.lua.", u"x.lua ", u"a*b", u"nul\u0001"}) {
    EXPECT_FALSE(r.rfs->create_folder(r.root.folder, bad)) << to_utf8(bad);
    EXPECT_FALSE(r.rfs->create_new_file(r.root.folder, bad).has_value()) << to_utf8(bad);
    EXPECT_EQ(r.rfs->entry_kind(r.root.folder, bad), EntryKind::error) << to_utf8(bad);
  }
  EXPECT_EQ(names_in(tmp.path()), std::vector<std::string>{"sub"});
  EXPECT_TRUE(std::filesystem::is_empty(tmp / "sub"));
}

TEST(Win32ResourceFs, NamesMatchIgnoringCaseLikeTheSystem) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "Stream");
  write_file(tmp / "Client.lua", "x");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  EXPECT_EQ(r.rfs->entry_kind(r.root.folder, u"STREAM"), EntryKind::folder);
  EXPECT_EQ(r.rfs->entry_kind(r.root.folder, u"client.LUA"), EntryKind::file);
  EXPECT_FALSE(r.rfs->create_new_file(r.root.folder, u"CLIENT.lua").has_value());
  EXPECT_FALSE(r.rfs->create_folder(r.root.folder, u"stream"));
  EXPECT_EQ(r.rfs->path_style(), PathStyle::windows);
}

TEST(Win32ResourceFs, EntryKindsAndOpenStatusesOnRealFolders) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "dir");
  write_file(tmp / "file.lua", "x");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  EXPECT_EQ(r.rfs->entry_kind(r.root.folder, u"dir"), EntryKind::folder);
  EXPECT_EQ(r.rfs->entry_kind(r.root.folder, u"file.lua"), EntryKind::file);
  EXPECT_EQ(r.rfs->entry_kind(r.root.folder, u"none"), EntryKind::missing);
  EXPECT_EQ(r.rfs->open_folder(r.root.folder, u"none").status, OpenStatus::missing);
  EXPECT_EQ(r.rfs->open_folder(r.root.folder, u"file.lua").status, OpenStatus::not_folder);
  const OpenedFolder d = r.rfs->open_folder(r.root.folder, u"dir");
  ASSERT_EQ(d.status, OpenStatus::ok);
  r.rfs->close_folder(d.folder);

  EXPECT_EQ(r.rfs->open_root_folder(u16(tmp / "none")).status, OpenStatus::missing);
  EXPECT_EQ(r.rfs->open_root_folder(u16(tmp / "file.lua")).status, OpenStatus::not_folder);
  EXPECT_EQ(r.rfs->open_root_folder(u"relative\\dir").status, OpenStatus::error);
}

TEST(Win32ResourceFs, FinalPathIsTheFolderInItsPlainDriveForm) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "dir");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  const OpenedFolder d = r.rfs->open_folder(r.root.folder, u"dir");
  ASSERT_EQ(d.status, OpenStatus::ok);
  const auto root_path = r.rfs->final_path(r.root.folder);
  const auto dir_path = r.rfs->final_path(d.folder);
  r.rfs->close_folder(d.folder);
  ASSERT_TRUE(root_path && dir_path);
  EXPECT_FALSE(root_path->starts_with(u"\\\\?\\")) << to_utf8(*root_path);
  EXPECT_TRUE(is_absolute_fivem_folder(*root_path, PathStyle::windows)) << to_utf8(*root_path);
  EXPECT_TRUE(is_strictly_inside(*root_path, *dir_path, PathStyle::windows))
      << to_utf8(*root_path) << " / " << to_utf8(*dir_path);
  EXPECT_TRUE(is_strictly_inside(u16(tmp.path()), *dir_path, PathStyle::windows))
      << to_utf8(*dir_path);
}

// Opens relative to a handle follow the folder itself, not the name it had: a folder moved
// after it was opened takes the file where it now is, and its final path says so.
TEST(Win32ResourceFs, OpensFollowTheOpenedFolderNotItsOldName) {
  TempFolder tmp;
  std::filesystem::create_directory(tmp / "car");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  const OpenedFolder car = r.rfs->open_folder(r.root.folder, u"car");
  ASSERT_EQ(car.status, OpenStatus::ok);
  ASSERT_TRUE(MoveFileW((tmp / "car").c_str(), (tmp / "moved").c_str())) << GetLastError();
  std::filesystem::create_directory(tmp / "car");
  const auto file = r.rfs->create_new_file(car.folder, u"x.lua");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(r.rfs->write_file(*file, "abc", 3), 3u);
  EXPECT_TRUE(r.rfs->flush_file(*file));
  EXPECT_TRUE(r.rfs->close_file(*file));
  EXPECT_EQ(read_file(tmp / "moved" / "x.lua"), "abc");
  EXPECT_TRUE(std::filesystem::is_empty(tmp / "car"));
  const auto where = r.rfs->final_path(car.folder);
  r.rfs->close_folder(car.folder);
  ASSERT_TRUE(where.has_value());
  // Wine reports the name a folder had when it was opened; Windows reports where it is now.
  if (!running_under_wine()) {
    EXPECT_EQ(last_path_component(*where, PathStyle::windows), u"moved") << to_utf8(*where);
  }
}

TEST(Win32ResourceFs, ReplaceMovesWithinTheFolderAndRefusesAFolderTarget) {
  TempFolder tmp;
  write_file(tmp / "a.lua", "old");
  write_file(tmp / "s1", "new");
  write_file(tmp / "s2", "other");
  std::filesystem::create_directory(tmp / "dir.lua");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  EXPECT_TRUE(r.rfs->replace_file(r.root.folder, u"s1", u"a.lua"));
  EXPECT_EQ(read_file(tmp / "a.lua"), "new");
  EXPECT_FALSE(std::filesystem::exists(tmp / "s1"));
  EXPECT_FALSE(r.rfs->replace_file(r.root.folder, u"s2", u"dir.lua"));
  EXPECT_FALSE(r.rfs->replace_file(r.root.folder, u"s2", u"..\\escaped.lua"));
  EXPECT_FALSE(r.rfs->replace_file(r.root.folder, u"none", u"b.lua"));
  EXPECT_EQ(read_file(tmp / "s2"), "other");
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "dir.lua"));
  EXPECT_FALSE(std::filesystem::exists(tmp.path().parent_path() / "escaped.lua"));
  r.rfs->remove_file(r.root.folder, u"s2");
  r.rfs->remove_file(r.root.folder, u"dir.lua");  // never a folder
  EXPECT_FALSE(std::filesystem::exists(tmp / "s2"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "dir.lua"));
}

TEST(Win32ResourceFs, CreateNewFileRefusesAnExistingName) {
  TempFolder tmp;
  write_file(tmp / "x.lua", "keep");
  OpenRoot r(tmp.path());
  ASSERT_EQ(r.root.status, OpenStatus::ok);
  EXPECT_FALSE(r.rfs->create_new_file(r.root.folder, u"x.lua").has_value());
  EXPECT_EQ(read_file(tmp / "x.lua"), "keep");
  EXPECT_TRUE(r.rfs->create_folder(r.root.folder, u"new"));
  EXPECT_FALSE(r.rfs->create_folder(r.root.folder, u"new"));
}

}  // namespace
}  // namespace vantiro::platform::port_tests
