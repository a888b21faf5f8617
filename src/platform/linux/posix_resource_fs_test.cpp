#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "common/utf.h"
#include "fivem/fault_resource_fs.h"
#include "fivem/writer.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string t = (fs::temp_directory_path() / "vantiro-fivem-XXXXXX").string();
    if (!mkdtemp(t.data())) std::abort();
    path_ = t;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_plain(const fs::path& p, std::string_view bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// Every entry under a folder with its content, links not followed: a before/after picture.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> out;
  if (!fs::exists(fs::symlink_status(root))) return out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const auto rel = fs::relative(it->path(), root).string();
    if (it->is_symlink()) {
      out[rel] = "link:" + fs::read_symlink(it->path()).string();
      it.disable_recursion_pending();
    } else if (it->is_directory()) {
      out[rel] = "dir";
    } else {
      out[rel] = read_file(it->path());
    }
  }
  return out;
}

int staging_files(const fs::path& root) {
  int n = 0;
  for (const auto& [rel, content] : snapshot(root))
    if (rel.size() > 12 && rel.ends_with(".vantiro-tmp")) ++n;
  return n;
}

std::u16string u16(const fs::path& p) {
  return to_utf16(p.string());
}

struct WriterOnDisk : ::testing::Test {
  TempDir tmp;
  fs::path fivem = tmp.path() / "resources";
  fs::path outside = tmp.path() / "outside";
  std::unique_ptr<ResourceFs> rfs = make_resource_fs();

  void SetUp() override {
    fs::create_directories(fivem);
    fs::create_directories(outside);
  }
  FiveMWriteResult write(ResourceFs& fsys, std::u16string_view name,
                         const std::vector<FiveMFile>& files) {
    return write_fivem_resource_files(fsys, u16(fivem), name, files);
  }
  FiveMWriteResult write(std::u16string_view name, const std::vector<FiveMFile>& files) {
    return write(*rfs, name, files);
  }
};

std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131) ^ (i >> 9));
  return s;
}

TEST_F(WriterOnDisk, WritesANewResourceWithItsFoldersAndNoStagingLeft) {
  const std::string ytd = pattern(70'000);
  const auto r =
      write(u"car", {{u"fxmanifest.lua", "fx_version 'cerulean'\n"}, {u"stream/test.ytd", ytd}});
  EXPECT_TRUE(r.ok) << code(r.error);
  EXPECT_EQ(r.files_written, 2);
  EXPECT_EQ(read_file(fivem / "car" / "fxmanifest.lua"), "fx_version 'cerulean'\n");
  EXPECT_EQ(read_file(fivem / "car" / "stream" / "test.ytd"), ytd);
  EXPECT_EQ(staging_files(fivem), 0);
}

TEST_F(WriterOnDisk, RewritingOneFileLeavesTheOthersAlone) {
  ASSERT_TRUE(write(u"car", {{u"fxmanifest.lua", "one"}, {u"stream/test.ytd", "ytd"}}).ok);
  write_plain(fivem / "car" / "keep.txt", "mine");
  const auto r = write(u"car", {{u"fxmanifest.lua", "two"}});
  EXPECT_TRUE(r.ok) << code(r.error);
  EXPECT_EQ(r.files_written, 1);
  EXPECT_EQ(read_file(fivem / "car" / "fxmanifest.lua"), "two");
  EXPECT_EQ(read_file(fivem / "car" / "stream" / "test.ytd"), "ytd");
  EXPECT_EQ(read_file(fivem / "car" / "keep.txt"), "mine");
}

TEST_F(WriterOnDisk, ContentLargerThanOneChunkIsWrittenInChunks) {
  const std::string big = pattern(2 * kFiveMWriteChunk + 12345);
  testing_fs::FaultResourceFs counting(*rfs);
  const auto r = write(counting, u"car", {{u"fxmanifest.lua", "m"}, {u"stream/big.ytd", big}});
  ASSERT_TRUE(r.ok) << code(r.error);
  EXPECT_EQ(read_file(fivem / "car" / "stream" / "big.ytd"), big);
  EXPECT_EQ(counting.calls("write_file"), 1 + 3);
}

TEST_F(WriterOnDisk, AnEmptyFileIsWrittenAsAnEmptyFile) {
  const auto r = write(u"car", {{u"fxmanifest.lua", ""}, {u"data/empty.meta", ""}});
  ASSERT_TRUE(r.ok) << code(r.error);
  EXPECT_TRUE(fs::is_regular_file(fivem / "car" / "data" / "empty.meta"));
  EXPECT_EQ(fs::file_size(fivem / "car" / "data" / "empty.meta"), 0u);
}

TEST_F(WriterOnDisk, RefusalsBeforeAnyChangeLeaveTheDiskUntouched) {
  write_plain(fivem / "other" / "fxmanifest.lua", "x");
  std::vector<FiveMFile> sixty_six{{u"fxmanifest.lua", ""}};
  for (int i = 0; i < 65; ++i) {
    std::u16string p(u"f");
    p += to_utf16(std::to_string(i));
    p += u".lua";
    sixty_six.push_back({p, ""});
  }
  struct Case {
    std::string label;
    std::u16string folder;
    std::u16string name;
    std::vector<FiveMFile> files;
    FiveMError expected;
  };
  const std::u16string f = u16(fivem);
  const Case cases[] = {
      {"parent path",
       f,
       u"car",
       {{u"fxmanifest.lua", ""}, {u"../evil.lua", "x"}},
       FiveMError::invalid_path},
      {"executable",
       f,
       u"car",
       {{u"fxmanifest.lua", ""}, {u"stream/bad.exe", "x"}},
       FiveMError::invalid_path},
      {"name ..", f, u"..", {{u"fxmanifest.lua", ""}}, FiveMError::invalid_resource_name},
      {"name CON", f, u"CON", {{u"fxmanifest.lua", ""}}, FiveMError::invalid_resource_name},
      {"no manifest", f, u"car", {{u"client.lua", ""}}, FiveMError::missing_manifest},
      {"duplicate",
       f,
       u"car",
       {{u"fxmanifest.lua", ""}, {u"FXMANIFEST.LUA", ""}},
       FiveMError::duplicate_path},
      {"66 files", f, u"car", sixty_six, FiveMError::too_many_files},
      {"64 MiB plus manifest",
       f,
       u"car",
       {{u"fxmanifest.lua", "x"}, {u"stream/big.ytd", std::string(67'108'864, 'b')}},
       FiveMError::too_large},
      {"file and folder of one name",
       f,
       u"car",
       {{u"fxmanifest.lua", ""}, {u"x.lua", "a"}, {u"x.lua/y.lua", "b"}},
       FiveMError::path_conflict},
      {"missing FiveM folder",
       u16(tmp.path() / "nope"),
       u"car",
       {{u"fxmanifest.lua", ""}},
       FiveMError::folder_missing},
      {"relative FiveM folder",
       u"relative/resources",
       u"car",
       {{u"fxmanifest.lua", ""}},
       FiveMError::no_folder},
      {"empty FiveM folder", u"", u"car", {{u"fxmanifest.lua", ""}}, FiveMError::no_folder},
  };
  const auto before = snapshot(tmp.path());
  for (const auto& c : cases) {
    const auto r = write_fivem_resource_files(*rfs, c.folder, c.name, c.files);
    EXPECT_FALSE(r.ok) << c.label;
    EXPECT_EQ(r.files_written, 0) << c.label;
    EXPECT_EQ(code(r.error), code(c.expected)) << c.label;
    EXPECT_EQ(snapshot(tmp.path()), before) << c.label;
  }
}

TEST_F(WriterOnDisk, AStreamFolderLinkedOutsideIsRefusedAndItsTargetStaysEmpty) {
  fs::create_directories(fivem / "car");
  fs::create_symlink(outside, fivem / "car" / "stream");
  const auto before = snapshot(tmp.path());
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}});
  EXPECT_EQ(code(r.error), "reparse_point");
  EXPECT_EQ(r.files_written, 0);
  EXPECT_TRUE(fs::is_empty(outside));
  EXPECT_EQ(snapshot(tmp.path()), before);
}

TEST_F(WriterOnDisk, AResourceFolderThatIsALinkIsRefused) {
  fs::create_directory_symlink(outside, fivem / "car");
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}});
  EXPECT_EQ(code(r.error), "reparse_point");
  EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(WriterOnDisk, ATargetFileThatIsALinkIsRefusedAndItsTargetKept) {
  write_plain(outside / "secret.lua", "keep");
  fs::create_directories(fivem / "car");
  fs::create_symlink(outside / "secret.lua", fivem / "car" / "client.lua");
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"client.lua", "evil"}});
  EXPECT_EQ(code(r.error), "reparse_point");
  EXPECT_EQ(read_file(outside / "secret.lua"), "keep");
  EXPECT_FALSE(fs::exists(fivem / "car" / "fxmanifest.lua"));
}

TEST_F(WriterOnDisk, AFiveMFolderChosenThroughALinkIsFollowed) {
  fs::create_directory_symlink(fivem, tmp.path() / "via-link");
  const auto r = write_fivem_resource_files(*rfs, u16(tmp.path() / "via-link"), u"car",
                                            {{u"fxmanifest.lua", "m"}});
  EXPECT_TRUE(r.ok) << code(r.error);
  EXPECT_EQ(read_file(fivem / "car" / "fxmanifest.lua"), "m");
}

TEST_F(WriterOnDisk, FileAndFolderConflictsBothWaysAreRefused) {
  struct Case {
    std::string label;
    std::function<void()> arrange;
    std::vector<FiveMFile> files;
  };
  const Case cases[] = {
      {"file where the resource folder goes",
       [&] { write_plain(fivem / "car", "f"); },
       {{u"fxmanifest.lua", "m"}}},
      {"file where a sub-folder goes",
       [&] { write_plain(fivem / "car" / "stream", "f"); },
       {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}}},
      {"folder where a target file goes",
       [&] { fs::create_directories(fivem / "car" / "client.lua"); },
       {{u"fxmanifest.lua", "m"}, {u"client.lua", "x"}}},
  };
  for (const auto& c : cases) {
    fs::remove_all(fivem / "car");
    c.arrange();
    const auto r = write(u"car", c.files);
    EXPECT_EQ(code(r.error), "path_conflict") << c.label;
    EXPECT_EQ(r.files_written, 0) << c.label;
    EXPECT_EQ(staging_files(fivem), 0) << c.label;
  }
}

TEST_F(WriterOnDisk, AFailedStagingStepLeavesNoStagingFileAndNoChangedTarget) {
  struct Case {
    std::string op;
    int index;
  };
  const Case cases[] = {{"create_new_file", 0}, {"create_new_file", 2}, {"write_file", 0},
                        {"write_file", 2},      {"flush_file", 0},      {"flush_file", 2},
                        {"close_file", 0},      {"close_file", 2}};
  for (const auto& c : cases) {
    fs::remove_all(fivem / "car");
    write_plain(fivem / "car" / "fxmanifest.lua", "old manifest");
    write_plain(fivem / "car" / "client.lua", "old client");
    const auto before = snapshot(fivem);
    testing_fs::FaultResourceFs faulty(*rfs);
    faulty.fail(c.op, c.index);
    const auto r = write(faulty, u"car",
                         {{u"fxmanifest.lua", "new manifest"},
                          {u"client.lua", "new client"},
                          {u"stream/x.ytd", "x"}});
    const std::string label = c.op + " #" + std::to_string(c.index);
    EXPECT_EQ(code(r.error), "write_failed") << label;
    EXPECT_EQ(r.files_written, 0) << label;
    EXPECT_EQ(staging_files(fivem), 0) << label;
    auto after = snapshot(fivem);
    after.erase("car/stream");  // folders made before staging may stay
    EXPECT_EQ(after, before) << label;
  }
}

TEST_F(WriterOnDisk, AFailedRenameReportsTheFilesAlreadyReplaced) {
  for (int k = 0; k < 3; ++k) {
    fs::remove_all(fivem / "car");
    write_plain(fivem / "car" / "fxmanifest.lua", "old 0");
    write_plain(fivem / "car" / "a.lua", "old 1");
    write_plain(fivem / "car" / "b.lua", "old 2");
    testing_fs::FaultResourceFs faulty(*rfs);
    faulty.fail("replace_file", k);
    const auto r = write(faulty, u"car",
                         {{u"fxmanifest.lua", "new 0"}, {u"a.lua", "new 1"}, {u"b.lua", "new 2"}});
    EXPECT_FALSE(r.ok) << k;
    EXPECT_EQ(code(r.error), "write_failed") << k;
    EXPECT_EQ(r.files_written, k);
    const char* names[] = {"fxmanifest.lua", "a.lua", "b.lua"};
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(read_file(fivem / "car" / names[j]), (j < k ? "new " : "old ") + std::to_string(j))
          << "rename " << k << " failed, file " << j;
    EXPECT_EQ(staging_files(fivem), 0) << k;
  }
}

TEST_F(WriterOnDisk, AFailedFolderFlushIsAFailureThatCountsTheReplacedFiles) {
  testing_fs::FaultResourceFs faulty(*rfs);
  faulty.fail("flush_folder", 0);
  const auto r = write(faulty, u"car", {{u"fxmanifest.lua", "m"}, {u"stream/a.ytd", "a"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(code(r.error), "write_failed");
  EXPECT_EQ(r.files_written, 2);
  EXPECT_EQ(staging_files(fivem), 0);
}

TEST_F(WriterOnDisk, AFailedFolderCreationIsAWriteFailure) {
  testing_fs::FaultResourceFs faulty(*rfs);
  faulty.fail("create_folder", 1);
  const auto r = write(faulty, u"car", {{u"fxmanifest.lua", "m"}, {u"stream/a.ytd", "a"}});
  EXPECT_EQ(code(r.error), "write_failed");
  EXPECT_EQ(r.files_written, 0);
  EXPECT_TRUE(fs::is_directory(fivem / "car"));  // made before the failure, left in place
  EXPECT_FALSE(fs::exists(fivem / "car" / "fxmanifest.lua"));
}

TEST(PosixResourceFs, NamesThatAreNotOneElementAreRefused) {
  TempDir tmp;
  auto rfs = make_resource_fs();
  const auto root = rfs->open_root_folder(u16(tmp.path()));
  ASSERT_EQ(root.status, OpenStatus::ok);
  for (std::u16string_view bad : {u"", u".", u"..", u"a/b", u"../x"}) {
    EXPECT_FALSE(rfs->create_folder(root.folder, bad)) << to_utf8(bad);
    EXPECT_FALSE(rfs->create_new_file(root.folder, bad).has_value()) << to_utf8(bad);
    EXPECT_EQ(rfs->open_folder(root.folder, bad).status, OpenStatus::error) << to_utf8(bad);
  }
  EXPECT_TRUE(fs::is_empty(tmp.path()));
  rfs->close_folder(root.folder);
}

}  // namespace
}  // namespace vantiro::platform
