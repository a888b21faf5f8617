#include "update/install.h"

#include <gtest/gtest.h>

#include "update/fake_update_files.h"
#include "update/swap.h"

namespace vantiro::update {
namespace {

using testing::FakeUpdateFiles;

const Path kExe = "/app/Vantiro.exe";
const Path kOld = "/app/Vantiro.exe.old";
const Path kTemp = "/app/Vantiro-update-{X}.tmp";

TEST(AtomicBinarySwap, KeepsTheOldProgramAsRollbackCopy) {
  FakeUpdateFiles fs;
  fs.files[kExe] = "old-v1";
  fs.files[kTemp] = "new-v2";
  EXPECT_EQ(rollback_copy_of(kExe), kOld);
  EXPECT_TRUE(atomic_binary_swap(fs, kExe, kTemp));
  EXPECT_EQ(fs.files[kExe], "new-v2");
  EXPECT_EQ(fs.files[kOld], "old-v1");
  EXPECT_EQ(fs.kind(kTemp), PathKind::missing);
}

TEST(AtomicBinarySwap, AFailedSwapNeverLeavesTheTargetMissing) {
  FakeUpdateFiles fs;
  fs.files[kExe] = "old-v1";
  fs.files[kTemp] = "new-v2";
  fs.fail_replace = true;
  fs.replace_loses_target = true;
  EXPECT_FALSE(atomic_binary_swap(fs, kExe, kTemp));
  EXPECT_EQ(fs.files[kExe], "old-v1");
  EXPECT_EQ(fs.files[kTemp], "new-v2");
}

TEST(AtomicBinarySwap, RefusesMissingOrOddInputs) {
  FakeUpdateFiles fs;
  fs.files[kExe] = "old-v1";
  EXPECT_FALSE(atomic_binary_swap(fs, kExe, kTemp));
  EXPECT_FALSE(atomic_binary_swap(fs, "", kTemp));
  fs.files[kTemp] = "new";
  EXPECT_FALSE(atomic_binary_swap(fs, kExe, ""));
  fs.folders.insert("/app/folder");
  EXPECT_FALSE(atomic_binary_swap(fs, kExe, "/app/folder"));
  EXPECT_EQ(fs.files[kExe], "old-v1");
  // No target yet: the replacement simply moves in, with no rollback copy.
  EXPECT_TRUE(atomic_binary_swap(fs, "/app/New.exe", kTemp));
  EXPECT_EQ(fs.files["/app/New.exe"], "new");
  EXPECT_EQ(fs.kind("/app/New.exe.old"), PathKind::missing);
}

TEST(RemoveRollbackCopy, DeletesOnlyThePlainCopy) {
  FakeUpdateFiles fs;
  fs.files[kExe] = "new";
  fs.files[kOld] = "old";
  EXPECT_TRUE(remove_rollback_copy(fs, kExe));
  EXPECT_EQ(fs.kind(kOld), PathKind::missing);
  EXPECT_EQ(fs.files[kExe], "new");
  EXPECT_TRUE(remove_rollback_copy(fs, kExe));
  fs.folders.insert(kOld);
  EXPECT_FALSE(remove_rollback_copy(fs, kExe));
}

TEST(InstallTarget, TheRunningProgramOnlyWhenTheDownloadLiesBesideIt) {
  const InstallLocations both{kExe, Path("/home/u/.local/share/Vantiro/App/Vantiro.exe")};
  EXPECT_EQ(install_target(both, kTemp), kExe);
  EXPECT_EQ(install_target(both, "/app/./Vantiro-update-{X}.tmp"), kExe);
  EXPECT_EQ(install_target(both, "/home/u/.local/share/Vantiro/App/Vantiro-update-{X}.tmp"),
            *both.per_user_executable);
  EXPECT_EQ(install_target({kExe, std::nullopt}, "/elsewhere/x.tmp"), std::nullopt);
}

TEST(RestartArguments, CleanupOldAndTheUiLanguage) {
  EXPECT_EQ(restart_arguments(true), (std::vector<std::u16string>{u"--cleanup-old", u"--lang=sv"}));
  EXPECT_EQ(restart_arguments(false),
            (std::vector<std::u16string>{u"--cleanup-old", u"--lang=en"}));
}

struct Journal {
  std::vector<std::string> events;
};

struct FakeProcess final : SuspendedProcess {
  Journal& j;
  bool resume_ok;
  FakeProcess(Journal& journal, bool ok) : j(journal), resume_ok(ok) {}
  bool resume() override {
    j.events.push_back("resume");
    return resume_ok;
  }
  void terminate(std::uint32_t ms) override {
    j.events.push_back("terminate " + std::to_string(ms));
  }
};

struct FakeStarter final : ProcessStarter {
  Journal& j;
  FakeUpdateFiles& fs;
  bool create_ok = true;
  bool resume_ok = true;
  FakeStarter(Journal& journal, FakeUpdateFiles& files) : j(journal), fs(files) {}
  std::unique_ptr<SuspendedProcess> create_suspended(const Path& program,
                                                     const std::vector<std::u16string>& args,
                                                     const Path& folder) override {
    std::string line =
        "create " + program.string() + " in " + folder.string() + " running " + fs.files[program];
    for (const auto& a : args) line += " " + std::string(a.begin(), a.end());
    j.events.push_back(line);
    if (!create_ok) return nullptr;
    return std::make_unique<FakeProcess>(j, resume_ok);
  }
};

struct FakeLock final : InstanceLock {
  Journal& j;
  explicit FakeLock(Journal& journal) : j(journal) {}
  void release() override { j.events.push_back("release lock"); }
  bool reacquire() override {
    j.events.push_back("reacquire lock");
    return true;
  }
};

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.files[kExe] = "old-v1";
    fs.files[kTemp] = "new-v2";
    update = std::make_unique<StagedUpdate>(fs, u"1.9.10", std::string(64, 'a'), 6, kTemp);
  }
  InstallOutcome install(bool swedish = false) {
    InstallPorts ports{starter, lock, [this] { journal.events.push_back("save placement"); }};
    return install_update_and_restart(*update, {kExe, Path("/per-user/Vantiro.exe")}, swedish,
                                      ports);
  }
  FakeUpdateFiles fs;
  Journal journal;
  FakeStarter starter{journal, fs};
  FakeLock lock{journal};
  std::unique_ptr<StagedUpdate> update;
};

TEST_F(InstallTest, SwapsStartsTheNewProgramAndHandsTheLockOverBeforeItRuns) {
  EXPECT_EQ(install(true), InstallOutcome::restarted);
  EXPECT_EQ(journal.events,
            (std::vector<std::string>{"save placement",
                                      "create /app/Vantiro.exe in /app running new-v2 "
                                      "--cleanup-old --lang=sv",
                                      "release lock", "resume"}));
  EXPECT_EQ(fs.files[kOld], "old-v1");
  // The record no longer owns a file: destroying it must not delete the new program.
  update.reset();
  EXPECT_EQ(fs.files[kExe], "new-v2");
}

TEST_F(InstallTest, AFailedResumeEndsTheChildRestoresTheOldProgramAndTakesTheLockBack) {
  starter.resume_ok = false;
  EXPECT_EQ(install(), InstallOutcome::failed);
  EXPECT_EQ(journal.events, (std::vector<std::string>{
                                "save placement",
                                "create /app/Vantiro.exe in /app running new-v2 "
                                "--cleanup-old --lang=en",
                                "release lock", "resume", "terminate 2000", "reacquire lock"}));
  EXPECT_EQ(fs.files[kExe], "old-v1");
  EXPECT_EQ(fs.kind(kOld), PathKind::missing);
  update.reset();
  EXPECT_EQ(fs.files[kExe], "old-v1");
}

TEST_F(InstallTest, AFailedCreateRestoresTheOldProgramAndKeepsTheLock) {
  starter.create_ok = false;
  EXPECT_EQ(install(), InstallOutcome::failed);
  EXPECT_EQ(fs.files[kExe], "old-v1");
  for (const auto& e : journal.events) EXPECT_EQ(e.find("lock"), std::string::npos) << e;
}

TEST_F(InstallTest, AFailedSwapChangesNothingAndStartsNothing) {
  fs.fail_replace = true;
  EXPECT_EQ(install(), InstallOutcome::failed);
  EXPECT_EQ(fs.files[kExe], "old-v1");
  EXPECT_EQ(journal.events, (std::vector<std::string>{"save placement"}));
  // The download is still the record's and goes with it.
  update.reset();
  EXPECT_EQ(fs.kind(kTemp), PathKind::missing);
}

TEST_F(InstallTest, ARestoreThatFailsIsReported) {
  starter.create_ok = false;
  fs.fail_move = true;
  EXPECT_EQ(install(), InstallOutcome::restore_failed);
}

TEST_F(InstallTest, WithoutARollbackCopyTheNewTargetIsRemoved) {
  fs.files.erase(kExe);
  starter.create_ok = false;
  EXPECT_EQ(install(), InstallOutcome::failed);
  EXPECT_EQ(fs.kind(kExe), PathKind::missing);
}

TEST_F(InstallTest, ARecordWithoutAFileInstallsNothing) {
  update->forget_file();
  EXPECT_EQ(install(), InstallOutcome::failed);
  EXPECT_TRUE(journal.events.empty());
  EXPECT_EQ(fs.files[kExe], "old-v1");
}

}  // namespace
}  // namespace vantiro::update
