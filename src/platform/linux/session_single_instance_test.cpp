#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"
#include "platform/port_test_support.h"

namespace vantiro::platform {
namespace {

using gtk_tests::ChildRun;
using gtk_tests::run_loop_until;
using port_tests::TempFolder;
using Acquire = SingleInstance::Acquire;

constexpr std::string_view kName = "VantiroTestLock_v1";

std::u16string wide(const std::filesystem::path& p) {
  return to_utf16(port_tests::utf8(p));
}

TEST(SessionSingleInstance, SecondLockInTheSessionSeesTheFirstAndActivatesIt) {
  TempFolder temp;
  auto first = make_single_instance(wide(temp.path()), kName);
  auto second = make_single_instance(wide(temp.path()), kName);
  int activations = 0;
  first->set_activation_handler([&] { ++activations; });

  ASSERT_EQ(first->try_acquire(), Acquire::acquired);
  EXPECT_EQ(first->try_acquire(), Acquire::acquired) << "holder asking again";
  EXPECT_EQ(second->try_acquire(), Acquire::already_running);

  ASSERT_TRUE(second->request_activation());
  ASSERT_TRUE(second->request_activation());
  EXPECT_EQ(activations, 0) << "activation must wait for the main loop";
  EXPECT_TRUE(run_loop_until([&] { return activations == 2; }, 5000));
  gtk_tests::drain_loop();
  EXPECT_EQ(activations, 2);

  // Anything but the request itself is ignored.
  first.reset();
  EXPECT_FALSE(second->request_activation()) << "no holder listens any more";
  EXPECT_EQ(second->try_acquire(), Acquire::acquired) << "the lock was released";
}

TEST(SessionSingleInstance, LocksOfOtherNamesOrFoldersDoNotMeet) {
  TempFolder a, b;
  auto one = make_single_instance(wide(a.path()), kName);
  auto other_name = make_single_instance(wide(a.path()), "VantiroOtherLock_v1");
  auto other_folder = make_single_instance(wide(b.path()), kName);
  EXPECT_EQ(one->try_acquire(), Acquire::acquired);
  EXPECT_EQ(other_name->try_acquire(), Acquire::acquired);
  EXPECT_EQ(other_folder->try_acquire(), Acquire::acquired);
}

TEST(SessionSingleInstance, FailsWhereNoLockCanBeMade) {
  TempFolder temp;
  const char16_t lone[] = {u'/', 0xD800};
  struct Case {
    const char* what;
    std::u16string folder;
  };
  const Case cases[] = {
      {"missing folder", wide(temp / "missing" / "deeper")},
      {"empty folder", u""},
      {"invalid text", std::u16string(lone, 2)},
  };
  for (const auto& c : cases) {
    auto lock = make_single_instance(c.folder, kName);
    EXPECT_EQ(lock->try_acquire(), Acquire::failed) << c.what;
    EXPECT_FALSE(lock->request_activation()) << c.what;
  }
}

TEST(SessionSingleInstance, ActivationOfASocketLeftWithoutAHolderFails) {
  TempFolder temp;
  // A plain file where the socket would be, as a crash could leave behind.
  port_tests::write_file(temp / (std::string(kName) + ".sock"), "");
  auto lock = make_single_instance(wide(temp.path()), kName);
  EXPECT_FALSE(lock->request_activation());
}

// Child side: takes the lock in the folder named by the environment, says so, and reports
// every activation until it is killed or 30 s pass.
TEST(DISABLED_SingleInstanceChild, HoldsTheLock) {
  const char* folder = std::getenv("VANTIRO_TEST_LOCK_FOLDER");
  ASSERT_NE(folder, nullptr);
  auto lock = make_single_instance(to_utf16(folder), kName);
  lock->set_activation_handler([] {
    std::printf("activated\n");
    std::fflush(stdout);
  });
  const Acquire a = lock->try_acquire();
  std::printf("%s\n", a == Acquire::acquired ? "acquired" : "not-acquired");
  std::fflush(stdout);
  run_loop_until([] { return false; }, 30000);
}

TEST(SessionSingleInstance, AnotherProcessHoldsItAndAKilledHolderLeavesNothingBehind) {
  TempFolder temp;
  ChildRun child("DISABLED_SingleInstanceChild.HoldsTheLock",
                 {"VANTIRO_TEST_LOCK_FOLDER=" + port_tests::utf8(temp.path())});
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.wait_for("acquired\n", 20000)) << child.output();
  ASSERT_EQ(child.output().find("not-acquired"), std::string::npos) << child.output();

  auto lock = make_single_instance(wide(temp.path()), kName);
  EXPECT_EQ(lock->try_acquire(), Acquire::already_running);
  ASSERT_TRUE(lock->request_activation());
  EXPECT_TRUE(child.wait_for("activated\n", 10000)) << child.output();

  child.kill_hard();
  EXPECT_TRUE(std::filesystem::exists(temp / (std::string(kName) + ".sock")))
      << "a killed holder cannot clean up; the test would not show the stale case";
  EXPECT_FALSE(lock->request_activation()) << "no one listens on the stale socket";
  int activations = 0;
  lock->set_activation_handler([&] { ++activations; });
  ASSERT_EQ(lock->try_acquire(), Acquire::acquired);

  // The new holder listens on a fresh socket where the stale one was.
  auto next = make_single_instance(wide(temp.path()), kName);
  EXPECT_EQ(next->try_acquire(), Acquire::already_running);
  ASSERT_TRUE(next->request_activation());
  EXPECT_TRUE(run_loop_until([&] { return activations == 1; }, 5000));
}

TEST(SessionSingleInstance, SocketAndLockAreForTheUserOnly) {
  TempFolder temp;
  auto lock = make_single_instance(wide(temp.path()), kName);
  ASSERT_EQ(lock->try_acquire(), Acquire::acquired);
  for (const char* suffix : {".lock", ".sock"}) {
    struct stat st {};
    const auto path = port_tests::utf8(temp / (std::string(kName) + suffix));
    ASSERT_EQ(lstat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mode & 0077, 0u) << path;
  }
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SessionSingleInstance, UsesTheSessionFolderOnlyWhenItIsPrivate) {
  TempFolder temp;
  const auto session = temp / "session";
  const auto fallback = temp / "data" / "Vantiro";
  std::filesystem::create_directories(session);
  const std::string lock_name = std::string(kSingleInstanceName) + ".lock";
  struct Case {
    const char* what;
    mode_t mode;
    bool in_session;
  };
  const Case cases[] = {{"private", 0700, true}, {"shared with the group", 0750, false}};
  for (const auto& c : cases) {
    std::filesystem::remove_all(fallback);
    std::filesystem::remove(session / lock_name);
    ASSERT_EQ(chmod(port_tests::utf8(session).c_str(), c.mode), 0);
    ScopedEnv env("XDG_RUNTIME_DIR", port_tests::utf8(session));
    auto lock = make_session_single_instance(wide(fallback));
    EXPECT_EQ(lock->try_acquire(), Acquire::acquired) << c.what;
    EXPECT_EQ(std::filesystem::exists(session / lock_name), c.in_session) << c.what;
    EXPECT_EQ(std::filesystem::exists(fallback / lock_name), !c.in_session) << c.what;
  }
  {
    ScopedEnv env("XDG_RUNTIME_DIR", "relative/folder");
    auto lock = make_session_single_instance(wide(fallback));
    EXPECT_EQ(lock->try_acquire(), Acquire::acquired) << "relative session folder";
    EXPECT_TRUE(std::filesystem::exists(fallback / lock_name));
  }
}

}  // namespace
}  // namespace vantiro::platform
