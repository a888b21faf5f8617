#pragma once

// The studio's ports as in-memory doubles, for tests that run the whole studio over a fake or a
// real desktop host. Worker jobs wait in a queue until the test runs them.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/studio.h"
#include "common/fake_file_system.h"
#include "common/fake_https_client.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"
#include "persist/ini_profile.h"
#include "update/fake_release_checks.h"
#include "update/fake_update_files.h"
#include "web/fake_external_opener.h"
#include "workspace/fake_web_engine.h"
#include "workspace/fake_workspace_ports.h"

namespace vantiro::app::testing {

inline const Path kLocal = "/home/u/.local/share";
inline const Path kSettings = "/home/u/.local/share/Vantiro/settings.ini";
inline const Path kWindowIni = "/home/u/.local/share/Vantiro/window.ini";
inline const Path kExe = "/opt/vantiro/vantiro";

struct HomeFolders final : UserFolders {
  std::optional<Path> local_app_data() override { return kLocal; }
  Path temp_dir() override { return "/tmp"; }
};

struct OneScreen final : WorkAreas {
  std::optional<ScreenRect> primary_work_area() override { return ScreenRect{0, 0, 1920, 1040}; }
  std::optional<ScreenRect> nearest_work_area(const ScreenRect&) override {
    return primary_work_area();
  }
};

struct Starts final : update::ProcessStarter {
  struct Process final : update::SuspendedProcess {
    bool resume() override { return true; }
    void terminate(std::uint32_t) override {}
  };
  std::vector<std::vector<std::u16string>> started;
  std::unique_ptr<update::SuspendedProcess> create_suspended(
      const Path&, const std::vector<std::u16string>& arguments, const Path&) override {
    started.push_back(arguments);
    return std::make_unique<Process>();
  }
};

// Every port but the desktop host.
struct FakeStudioPorts {
  FakeStudioPorts() {
    fs.add_directory(kLocal);
    update_files->folders.insert(kExe.parent_path());
    update_files->files[kExe] = "old program";
    clock->now = 1000;
  }

  StudioPorts ports(StudioPlatform& platform) {
    return StudioPorts{platform,
                       fs,
                       folders,
                       profiles,
                       screens,
                       opener,
                       resource_fs,
                       picker,
                       engine,
                       starter,
                       clock,
                       sha256,
                       https,
                       update_files,
                       release_checks,
                       [this](std::function<void()> job) {
                         if (!workers_start) return false;
                         jobs.push_back(std::move(job));
                         return true;
                       }};
  }

  static ProcessFacts facts(std::u16string locale = u"en-US") {
    ProcessFacts f;
    f.executable = kExe;
    f.process_id = 42;
    f.locale_name = std::move(locale);
    return f;
  }

  FakeFileSystem fs;
  HomeFolders folders;
  IniProfileStore profiles{fs};
  OneScreen screens;
  FakeExternalOpener opener;
  vantiro::testing_fs::FakeResourceFs resource_fs;
  vantiro::testing_fs::ScriptedFolderPicker picker;
  workspace::testing::FakeWebEngine engine;
  Starts starter;
  std::shared_ptr<workspace::testing::FakeClock> clock =
      std::make_shared<workspace::testing::FakeClock>();
  std::shared_ptr<update::testing::FakeSha256> sha256 =
      std::make_shared<update::testing::FakeSha256>();
  std::shared_ptr<vantiro::testing::FakeHttpsClient> https =
      std::make_shared<vantiro::testing::FakeHttpsClient>();
  std::shared_ptr<update::testing::FakeUpdateFiles> update_files =
      std::make_shared<update::testing::FakeUpdateFiles>();
  std::shared_ptr<update::testing::FakeReleaseChecks> release_checks =
      std::make_shared<update::testing::FakeReleaseChecks>();
  bool workers_start = true;
  std::vector<std::function<void()>> jobs;
};

}  // namespace vantiro::app::testing
