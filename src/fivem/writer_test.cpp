#include "fivem/writer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/utf.h"
#include "fivem/fake_resource_fs.h"

namespace vantiro {
namespace {

using testing_fs::FakeResourceFs;
using Kind = FakeResourceFs::Kind;

std::string joined(const std::vector<std::u16string>& v) {
  std::string s;
  for (const auto& x : v) s += to_utf8(x) + "\n";
  return s;
}

struct WriterOnFake : ::testing::Test {
  FakeResourceFs fs;
  void SetUp() override {
    fs.add(u"/fx", Kind::folder);
    fs.add(u"/outside/kept.txt", Kind::file, "kept");
  }
  FiveMWriteResult write(std::u16string_view name, const std::vector<FiveMFile>& files) {
    return write_fivem_resource_files(fs, u"/fx", name, files);
  }
};

TEST_F(WriterOnFake, RequestRefusalsNeverReachTheFileSystem) {
  const std::vector<std::pair<std::u16string, std::vector<FiveMFile>>> requests = {
      {u"CON", {{u"fxmanifest.lua", ""}}},
      {u"car", {}},
      {u"car", {{u"fxmanifest.lua", ""}, {u"../x.lua", ""}}},
      {u"car", {{u"client.lua", ""}}},
      {u"car", {{u"fxmanifest.lua", ""}, {u"a.lua", ""}, {u"A.LUA/b.lua", ""}}},
  };
  std::vector<std::string> calls;
  fs.before = [&](std::string_view op) { calls.emplace_back(op); };
  for (const auto& [name, files] : requests) {
    const auto r = write(name, files);
    EXPECT_FALSE(r.ok) << to_utf8(name);
  }
  EXPECT_TRUE(calls.empty()) << "first call: " << (calls.empty() ? "" : calls.front());
}

TEST_F(WriterOnFake, StagesBesideEachTargetUnderTheStampedNameThenCommits) {
  std::vector<std::u16string> during_commit;
  fs.before = [&](std::string_view op) {
    if (op == "replace_file" && during_commit.empty()) during_commit = fs.listing(u"/fx/car");
  };
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"client.lua", "c"}});
  ASSERT_TRUE(r.ok) << code(r.error);
  const std::vector<std::u16string> staged = {
      u"/fx/car/client.lua.4312.90210577.1.vantiro-tmp=c",
      u"/fx/car/fxmanifest.lua.4312.90210577.0.vantiro-tmp=m"};
  EXPECT_EQ(during_commit, staged) << joined(during_commit);
  EXPECT_EQ(fs.listing(u"/fx/car"),
            (std::vector<std::u16string>{u"/fx/car/client.lua=c", u"/fx/car/fxmanifest.lua=m"}));
  EXPECT_EQ(fs.open_folder_count(), 0u);
}

TEST_F(WriterOnFake, AFolderOnAnotherDeviceCountsAsAReparsePoint) {
  fs.add(u"/fx/car/stream", Kind::folder);
  fs.node(u"/fx/car/stream").device = 7;
  const auto before = fs.listing();
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}});
  EXPECT_EQ(code(r.error), "reparse_point");
  EXPECT_EQ(fs.listing(), before);

  fs.node(u"/fx/car/stream").device = 0;
  fs.node(u"/fx/car").device = 7;
  const auto r2 = write(u"car", {{u"fxmanifest.lua", "m"}});
  EXPECT_EQ(code(r2.error), "reparse_point");
  EXPECT_EQ(fs.listing(), before);
}

TEST_F(WriterOnFake, AResourceFolderThatResolvesElsewhereIsOutside) {
  fs.add(u"/fx/car", Kind::folder);
  fs.node(u"/fx/car").final_path_override = u"/outside/car";
  const auto before = fs.listing();
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}});
  EXPECT_EQ(code(r.error), "outside_resource");
  EXPECT_EQ(fs.listing(), before);
}

TEST_F(WriterOnFake, AFolderSwappedForALinkAfterTheChecksIsNeverFollowed) {
  fs.add(u"/fx/car/stream", Kind::folder);
  bool swapped = false;
  fs.before = [&](std::string_view op) {
    // The checks before any change end by closing what they opened.
    if (op == "close_folder" && !swapped) {
      swapped = true;
      fs.move(u"/fx/car/stream", u"/outside/stream");
      fs.add_link(u"/fx/car/stream", u"/outside/stream");
    }
  };
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}});
  ASSERT_TRUE(swapped);
  EXPECT_EQ(code(r.error), "reparse_point");
  EXPECT_EQ(r.files_written, 0);
  EXPECT_EQ(fs.listing(u"/outside"),
            (std::vector<std::u16string>{u"/outside/kept.txt=kept", u"/outside/stream"}));
}

TEST_F(WriterOnFake, AFolderMovedOutWhileStagingTakesNoCommit) {
  fs.add(u"/fx/car/stream", Kind::folder);
  bool moved = false;
  fs.before = [&](std::string_view op) {
    if (op == "create_new_file" && !moved) {
      moved = true;
      fs.move(u"/fx/car/stream", u"/outside/stream");
      fs.add_link(u"/fx/car/stream", u"/outside/stream");
    }
  };
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}});
  EXPECT_EQ(code(r.error), "outside_resource");
  EXPECT_EQ(r.files_written, 1);
  EXPECT_EQ(fs.listing(u"/outside"),
            (std::vector<std::u16string>{u"/outside/kept.txt=kept", u"/outside/stream"}));
  EXPECT_EQ(fs.open_folder_count(), 0u);
}

TEST_F(WriterOnFake, AnExistingNameOfAStagingFileFailsTheWholeWrite) {
  fs.add(u"/fx/car/client.lua.4312.90210577.1.vantiro-tmp", Kind::file, "someone else's");
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"client.lua", "c"}});
  EXPECT_EQ(code(r.error), "write_failed");
  EXPECT_EQ(fs.listing(u"/fx/car"),
            (std::vector<std::u16string>{
                u"/fx/car/client.lua.4312.90210577.1.vantiro-tmp=someone else's"}));
}

TEST_F(WriterOnFake, OtherEntriesThanFilesAndFoldersAreConflictsOnTheWay) {
  fs.add(u"/fx/car/stream", Kind::other);
  const auto r = write(u"car", {{u"fxmanifest.lua", "m"}, {u"stream/x.ytd", "x"}});
  EXPECT_EQ(code(r.error), "path_conflict");
  fs.add(u"/fx/bus", Kind::other);
  EXPECT_EQ(code(write(u"bus", {{u"fxmanifest.lua", "m"}}).error), "path_conflict");
}

}  // namespace
}  // namespace vantiro
