#pragma once

// Behaviour every host's FileSystem shows, written once. Each host's test file includes this
// header once and defines host_replace_steps().

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_replace.h"
#include "platform/port_test_support.h"
#include "platform/ports.h"

namespace vantiro::platform::port_tests {

// The steps this host runs for a replace of a small file, in order.
std::vector<AtomicReplaceStep> host_replace_steps();

inline const char* status_name(BoundedRead::Status s) {
  switch (s) {
    case BoundedRead::Status::ok:
      return "ok";
    case BoundedRead::Status::missing:
      return "missing";
    case BoundedRead::Status::not_regular:
      return "not_regular";
    case BoundedRead::Status::too_large:
      return "too_large";
    case BoundedRead::Status::error:
      return "error";
  }
  return "?";
}

TEST(HostFileSystem, KindTellsFilesFoldersAndMissingPaths) {
  TempFolder dir;
  write_file(dir / "file.ini", "x");
  std::filesystem::create_directory(dir / "folder");
  write_file(dir / "empty", "");
  struct Case {
    const char* name;
    Path path;
    PathKind kind;
  };
  const Case cases[] = {
      {"regular file", dir / "file.ini", PathKind::regular_file},
      {"empty file", dir / "empty", PathKind::regular_file},
      {"folder", dir / "folder", PathKind::directory},
      {"missing name", dir / "nothing.ini", PathKind::missing},
      {"missing folder on the way", dir / "no" / "such.ini", PathKind::missing},
      {"empty path", Path(), PathKind::missing},
  };
  auto fs = make_file_system();
  for (const auto& c : cases) EXPECT_EQ(fs->kind(c.path), c.kind) << c.name;
}

TEST(HostFileSystem, ReadIsExactUpToTheBoundAndTooLargeAboveIt) {
  TempFolder dir;
  struct Case {
    std::size_t size;
    std::size_t max;
    BoundedRead::Status status;
  };
  const Case cases[] = {
      {0, 0, BoundedRead::Status::ok},
      {1, 0, BoundedRead::Status::too_large},
      {0, 4096, BoundedRead::Status::ok},
      {4096, 4096, BoundedRead::Status::ok},
      {4097, 4096, BoundedRead::Status::too_large},
      {5000, 4096, BoundedRead::Status::too_large},
      {200000, 200000, BoundedRead::Status::ok},  // several read calls
      {200001, 200000, BoundedRead::Status::too_large},
  };
  auto fs = make_file_system();
  for (const auto& c : cases) {
    const std::string label = std::to_string(c.size) + " bytes, max " + std::to_string(c.max);
    const std::string content = pattern_bytes(c.size);
    write_file(dir / "f.bin", content);
    const BoundedRead r = fs->read_regular_file(dir / "f.bin", c.max);
    EXPECT_STREQ(status_name(r.status), status_name(c.status)) << label;
    if (c.status == BoundedRead::Status::ok) {
      EXPECT_TRUE(r.bytes == content) << label;
    } else {
      EXPECT_TRUE(r.bytes.empty()) << label;
    }
  }
}

TEST(HostFileSystem, ReadKeepsRawBytesWithoutNewlineTranslation) {
  TempFolder dir;
  const std::string content("[settings]\r\nschema=1\r\n\0\x1a\xff\n", 26);
  write_file(dir / "raw.ini", content);
  const BoundedRead r = make_file_system()->read_regular_file(dir / "raw.ini", 4096);
  ASSERT_EQ(r.status, BoundedRead::Status::ok);
  EXPECT_EQ(r.bytes, content);
}

TEST(HostFileSystem, ReadRefusesFoldersAndReportsMissingFiles) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "folder");
  auto fs = make_file_system();
  EXPECT_STREQ(status_name(fs->read_regular_file(dir / "folder", 4096).status), "not_regular");
  EXPECT_STREQ(status_name(fs->read_regular_file(dir / "none.ini", 4096).status), "missing");
  EXPECT_STREQ(status_name(fs->read_regular_file(dir / "no" / "x.ini", 4096).status), "missing");
}

TEST(HostFileSystem, ReplaceCreatesOrReplacesTheFileAndLeavesNoStagingFile) {
  TempFolder dir;
  const Path target = dir / "settings.ini";
  auto fs = make_file_system();

  ASSERT_TRUE(fs->replace_file_atomically(target, "first\n"));
  EXPECT_EQ(read_file(target), "first\n");
  ASSERT_TRUE(fs->replace_file_atomically(target, "second, longer content\r\n"));
  EXPECT_EQ(read_file(target), "second, longer content\r\n");
  ASSERT_TRUE(fs->replace_file_atomically(target, "3"));  // shorter: no stale tail
  EXPECT_EQ(read_file(target), "3");
  ASSERT_TRUE(fs->replace_file_atomically(target, ""));
  EXPECT_EQ(read_file(target), "");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"settings.ini"});
}

TEST(HostFileSystem, ReplaceWritesLargeContentInChunksCompletely) {
  TempFolder dir;
  const Path target = dir / "big.bin";
  const std::string content = pattern_bytes(3 * kWriteChunkBytes + 5);
  int writes = 0;
  AtomicReplaceHooks hooks;
  hooks.allow_step = [&](AtomicReplaceStep s) {
    if (s == AtomicReplaceStep::write) ++writes;
    return true;
  };
  ASSERT_TRUE(make_file_system(hooks)->replace_file_atomically(target, content));
  EXPECT_TRUE(read_file(target) == content);
  EXPECT_GE(writes, 4);
}

TEST(HostFileSystem, ReplaceRunsTheHostStepsInOrder) {
  TempFolder dir;
  std::vector<AtomicReplaceStep> seen;
  AtomicReplaceHooks hooks;
  hooks.allow_step = [&](AtomicReplaceStep s) {
    seen.push_back(s);
    return true;
  };
  ASSERT_TRUE(make_file_system(hooks)->replace_file_atomically(dir / "a.ini", "abc"));
  std::string got, want;
  for (auto s : seen) got += std::string(step_name(s)) + " ";
  for (auto s : host_replace_steps()) want += std::string(step_name(s)) + " ";
  EXPECT_EQ(got, want);
}

// An interrupted replace leaves either the old file or the new one, never a mix, and never a
// staging file, whichever step fails.
TEST(HostFileSystem, InterruptedReplaceLeavesOldOrNewFileAndNoStagingFile) {
  struct Case {
    const char* name;
    AtomicReplaceStep step;
    int fail_call;     // which call of that step fails (1 = first); 0 = every call
    std::size_t size;  // size of the new content
    bool replaced;     // the replace reports success and the new content is in place
  };
  const Case cases[] = {
      {"every staging name refused", AtomicReplaceStep::create_staging, 0, 10, false},
      {"first staging name refused", AtomicReplaceStep::create_staging, 1, 10, true},
      {"last staging name is the one left", AtomicReplaceStep::create_staging, -15, 10, true},
      {"first write fails", AtomicReplaceStep::write, 1, 10, false},
      {"write fails after a chunk went out", AtomicReplaceStep::write, 2, 2 * kWriteChunkBytes + 1,
       false},
      {"mode cannot be set", AtomicReplaceStep::set_mode, 1, 10, false},
      {"flush fails", AtomicReplaceStep::flush, 1, 10, false},
      {"close fails", AtomicReplaceStep::close, 1, 10, false},
      {"rename fails", AtomicReplaceStep::rename, 1, 10, false},
      {"folder flush fails after the rename", AtomicReplaceStep::flush_folder, 1, 10, true},
  };
  const auto host_steps = host_replace_steps();
  for (const auto& c : cases) {
    if (std::find(host_steps.begin(), host_steps.end(), c.step) == host_steps.end()) continue;
    for (const bool had_old : {true, false}) {
      const std::string label = std::string(c.name) + (had_old ? ", old file" : ", no old file");
      TempFolder dir;
      const Path target = dir / "settings.ini";
      if (had_old) write_file(target, "old content\n");
      const std::string content = pattern_bytes(c.size);

      int calls = 0;
      bool injected = false;
      AtomicReplaceHooks hooks;
      hooks.allow_step = [&](AtomicReplaceStep s) {
        if (s != c.step) return true;
        ++calls;
        // A negative fail_call refuses every call up to its magnitude.
        const bool fail =
            c.fail_call == 0 || calls == c.fail_call || (c.fail_call < 0 && calls <= -c.fail_call);
        injected = injected || fail;
        return !fail;
      };
      const bool ok = make_file_system(hooks)->replace_file_atomically(target, content);

      EXPECT_TRUE(injected) << label;
      EXPECT_EQ(ok, c.replaced) << label;
      if (c.replaced) {
        EXPECT_TRUE(read_file(target) == content) << label;
      } else if (had_old) {
        EXPECT_EQ(read_file(target), "old content\n") << label;
      }
      const std::vector<std::string> want = (had_old || c.replaced)
                                                ? std::vector<std::string>{"settings.ini"}
                                                : std::vector<std::string>{};
      EXPECT_EQ(names_in(dir.path()), want) << label;
      if (c.step == AtomicReplaceStep::create_staging && c.fail_call == 0) {
        EXPECT_EQ(calls, static_cast<int>(kMaxStagingAttempts)) << label;
      }
    }
  }
}

TEST(HostFileSystem, SixteenTakenStagingNamesFailTheReplaceAndFifteenDoNot) {
  for (const unsigned taken : {16u, 15u}) {
    const std::string label = std::to_string(taken) + " names taken";
    TempFolder dir;
    const Path target = dir / "settings.ini";
    write_file(target, "old");
    constexpr std::uint64_t kTick = 987654321;
    for (unsigned n = 0; n < taken; ++n) {
      write_file(staging_path(target, current_process_id(), kTick, n), "squatter");
    }
    AtomicReplaceHooks hooks;
    hooks.tick = [] { return kTick; };
    const bool ok = make_file_system(hooks)->replace_file_atomically(target, "new");
    EXPECT_EQ(ok, taken < kMaxStagingAttempts) << label;
    EXPECT_EQ(read_file(target), ok ? "new" : "old") << label;
    for (unsigned n = 0; n < taken; ++n) {
      EXPECT_EQ(read_file(staging_path(target, current_process_id(), kTick, n)), "squatter")
          << label << ", name " << n;
    }
    EXPECT_EQ(names_in(dir.path()).size(), taken + 1) << label;
  }
}

TEST(HostFileSystem, StagingNameIsTargetPidTickAttemptTmp) {
  const Path target = Path("folder") / "settings.ini";
  EXPECT_EQ(utf8(staging_path(target, 4321, 99887766, 15)),
            utf8(Path("folder") / "settings.ini.4321.99887766.15.tmp"));
}

TEST(HostFileSystem, ReplaceIntoMissingFolderFailsAndCreatesNothing) {
  TempFolder dir;
  const Path target = dir / "missing" / "settings.ini";
  EXPECT_FALSE(make_file_system()->replace_file_atomically(target, "x"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(HostFileSystem, ReplaceOntoFolderFailsAndLeavesTheFolderAsItWas) {
  TempFolder dir;
  const Path target = dir / "settings.ini";
  std::filesystem::create_directory(target);
  write_file(target / "inside.txt", "keep");
  EXPECT_FALSE(make_file_system()->replace_file_atomically(target, "x"));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(read_file(target / "inside.txt"), "keep");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"settings.ini"});
  EXPECT_EQ(names_in(target), std::vector<std::string>{"inside.txt"});
}

TEST(HostFileSystem, ReplaceRefusesAPathWithoutFileName) {
  TempFolder dir;
  auto fs = make_file_system();
  EXPECT_FALSE(fs->replace_file_atomically(Path(), "x"));
  EXPECT_FALSE(fs->replace_file_atomically(dir.path() / "", "x"));
  EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(HostFileSystem, ConcurrentReplacesWithTheSameTickNeverMixContent) {
  TempFolder dir;
  const Path target = dir / "shared.ini";
  constexpr int kThreads = 4;
  std::vector<std::string> payloads;
  for (int i = 0; i < kThreads; ++i) {
    payloads.push_back(std::string(1000 + 7919 * static_cast<std::size_t>(i), char('a' + i)));
  }
  AtomicReplaceHooks hooks;
  hooks.tick = [] { return std::uint64_t{5}; };  // every thread competes for the same names
  auto fs = make_file_system(hooks);
  std::atomic<int> successes{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) {
        if (fs->replace_file_atomically(target, payloads[static_cast<std::size_t>(i)])) ++successes;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_GT(successes.load(), 0);
  const std::string final_content = read_file(target);
  EXPECT_NE(std::find(payloads.begin(), payloads.end(), final_content), payloads.end())
      << "mixed content of " << final_content.size() << " bytes";
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"shared.ini"});
}

TEST(HostFileSystem, NonAsciiPathsWork) {
  TempFolder dir;
  const Path folder = dir / Path(u8"resources åäö Ω");
  const Path target = folder / Path(u8"inställningar.ini");
  auto fs = make_file_system();
  ASSERT_TRUE(fs->create_directories(folder));
  ASSERT_TRUE(fs->replace_file_atomically(target, "språk"));
  EXPECT_EQ(fs->kind(target), PathKind::regular_file);
  const BoundedRead r = fs->read_regular_file(target, 100);
  EXPECT_EQ(r.status, BoundedRead::Status::ok);
  EXPECT_EQ(r.bytes, "språk");
  EXPECT_TRUE(fs->remove_file(target));
  EXPECT_EQ(fs->kind(target), PathKind::missing);
}

TEST(HostFileSystem, CreateDirectoriesMakesAncestorsAndRefusesAFileInTheWay) {
  TempFolder dir;
  auto fs = make_file_system();
  EXPECT_TRUE(fs->create_directories(dir / "a" / "b" / "c"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b" / "c"));
  EXPECT_TRUE(fs->create_directories(dir / "a" / "b"));  // already there
  write_file(dir / "file", "x");
  EXPECT_FALSE(fs->create_directories(dir / "file"));
  EXPECT_FALSE(fs->create_directories(dir / "file" / "sub"));
  EXPECT_EQ(read_file(dir / "file"), "x");
  EXPECT_FALSE(fs->create_directories(Path()));
}

TEST(HostFileSystem, RemoveFileRemovesFilesOnlyAndMissingCountsAsGone) {
  TempFolder dir;
  auto fs = make_file_system();
  write_file(dir / "f.tmp", "x");
  std::filesystem::create_directory(dir / "folder");
  EXPECT_TRUE(fs->remove_file(dir / "f.tmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "f.tmp"));
  EXPECT_TRUE(fs->remove_file(dir / "f.tmp"));
  EXPECT_TRUE(fs->remove_file(dir / "no" / "such"));
  EXPECT_FALSE(fs->remove_file(dir / "folder"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_FALSE(fs->remove_file(Path()));
}

}  // namespace vantiro::platform::port_tests
