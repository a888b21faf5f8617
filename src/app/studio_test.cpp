#include "app/studio.h"

#include <gtest/gtest.h>

#include "app/fake_studio_platform.h"
#include "app/fake_studio_ports.h"
#include "chrome/language_toggle.h"
#include "common/utf.h"

namespace vantiro::app {
namespace {

using testing::FakeStudioPlatform;
using testing::kExe;
using testing::kSettings;
using testing::kWindowIni;

std::string release(std::uint64_t bytes) {
  return std::string(bytes, 'R');
}

class StudioTest : public ::testing::Test, public testing::FakeStudioPorts {
 protected:
  void make(std::u16string locale = u"en-US") {
    studio = std::make_unique<Studio>(ports(platform), facts(std::move(locale)));
    platform.studio = studio.get();
  }

  int run(std::vector<std::u16string> args) {
    if (!studio) make();
    args.insert(args.begin(), u"vantiro");
    return studio->run(
        args, [](std::u16string_view p) { return std::optional<std::u16string>(p); },
        [this](std::uint64_t ms) { slept.push_back(ms); });
  }

  MainWindow& window() { return *studio->window(); }

  // The service's next answers: a status naming version 1.9.10 of these bytes, then the bytes.
  void offer_release(const std::string& bytes) {
    https->answers.push_back(
        {HttpsError::none,
         {R"({"ready":true,"version":"1.9.10","sha256":")" + update::testing::fake_digest(bytes) +
          R"(","bytes":)" + std::to_string(bytes.size()) + "}"}});
    https->answers.push_back({HttpsError::none, {bytes}});
  }

  // Engine tasks and posted events until nothing moves; worker jobs run only when asked.
  void pump() {
    for (int round = 0; round < 1000; ++round) {
      bool moved = engine.run_pending() > 0;
      while (!platform.posted.queue.empty()) {
        UiEvent e = std::move(platform.posted.queue.front());
        platform.posted.queue.pop_front();
        if (studio->window()) studio->window()->on_event(e);
        moved = true;
      }
      if (!moved) return;
    }
  }
  void run_jobs() {
    while (!jobs.empty()) {
      auto job = std::move(jobs.front());
      jobs.erase(jobs.begin());
      job();
    }
    pump();
  }

  std::shared_ptr<workspace::testing::FakeWebView> active_view() {
    auto c = engine.last_controller();
    return c ? c->fake_view : nullptr;
  }

  // The first view is created and its script registered, but the tasks after it wait.
  std::shared_ptr<workspace::testing::FakeWebView> first_view_with_cookies(
      std::vector<workspace::WebCookie> cookies) {
    engine.complete_environment(true);
    while (engine.controllers.empty() && engine.queue.run_pending(1) > 0) {
    }
    auto view = active_view();
    view->cookies = std::move(cookies);
    pump();
    return view;
  }

  FakeStudioPlatform platform;
  std::vector<std::uint64_t> slept;
  std::unique_ptr<Studio> studio;
};

TEST_F(StudioTest, StartsOnTheEditorRunsTheLoopAndEndsWith0WhenClosed) {
  platform.in_loop = [&] {
    engine.complete_environment(true);
    pump();
    auto view = active_view();
    ASSERT_NE(view, nullptr);
    ASSERT_FALSE(view->navigations.empty());
    EXPECT_EQ(view->navigations.front(), u"https://vantiro.app/en/editor");
    EXPECT_TRUE(platform.timer_armed(TimerId::periodic_update_check));
    EXPECT_TRUE(platform.timer_armed(TimerId::background_sweep));
    EXPECT_FALSE(platform.timer_armed(TimerId::welcome_grace)) << "--skip-welcome";
    ASSERT_EQ(jobs.size(), 1u) << "the boot update check runs on a worker";
    EXPECT_TRUE(window().boot_update().check_pending) << "boot installation is allowed";
    window().on_close_request();
  };
  EXPECT_EQ(run({u"--skip-welcome"}), 0);
  EXPECT_FALSE(platform.window_exists);
  EXPECT_EQ(to_utf8(platform.title), "Ped Editor — Vantiro");
  EXPECT_TRUE(fs.exists(kSettings)) << "a first start writes its settings";
  EXPECT_TRUE(fs.exists(kWindowIni)) << "closing keeps the placement";
  EXPECT_EQ(platform.calls.back(), "release");
}

TEST_F(StudioTest, ASecondStartHandsOverAndUninstallWhileRunningIsRefused) {
  platform.lock_answer = InstanceLock::already_running;
  EXPECT_EQ(run({}), 0);
  EXPECT_NE(std::find(platform.calls.begin(), platform.calls.end(), "activate"),
            platform.calls.end());
  EXPECT_TRUE(platform.messages.empty());

  studio.reset();
  platform.calls.clear();
  EXPECT_EQ(run({u"--uninstall", u"--lang=sv"}), 1);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(to_utf8(platform.messages[0]), "Stäng Vantiro innan du avinstallerar.");
  EXPECT_EQ(std::find(platform.calls.begin(), platform.calls.end(), "create window"),
            platform.calls.end());
}

TEST_F(StudioTest, AWebEngineThatCannotStartEndsTheRunWith1) {
  platform.in_loop = [&] {
    engine.complete_environment(false);
    pump();
  };
  EXPECT_EQ(run({u"--skip-welcome"}), 1);
  EXPECT_NE(std::find(platform.calls.begin(), platform.calls.end(), "runtime question"),
            platform.calls.end());
  EXPECT_FALSE(platform.window_exists) << "the window goes with the loop";
}

TEST_F(StudioTest, TheGateAsksTheServiceWithTheSessionCookieAndOpensOnASignedInAnswer) {
  platform.in_loop = [&] {
    EXPECT_TRUE(platform.timer_armed(TimerId::welcome_grace));
    auto view = first_view_with_cookies({{u"other", u"x", true, 0},
                                         {u"quorvanta.sid", u"abc", true, 0},
                                         {u"quorvanta.sid.1", u"def", false, 4102444800.0}});
    EXPECT_TRUE(view->navigations.empty()) << "no page loads behind the gate";
    ASSERT_EQ(jobs.size(), 2u) << "the update check and the session check";
    https->answers.push_back({HttpsError::none, {}});  // the update status: nothing
    https->answers.push_back({HttpsError::none, {R"({"loginRequired":false,"user":{"id":7}})"}});
    run_jobs();
    ASSERT_EQ(https->requests.size(), 2u);
    const HttpsRequest& asked = https->requests[1];
    EXPECT_EQ(asked.path, "/api/account/summary");
    bool cookie_sent = false;
    for (const auto& [name, value] : asked.headers)
      if (name == "Cookie") cookie_sent = value == "quorvanta.sid=abc; quorvanta.sid.1=def";
    EXPECT_TRUE(cookie_sent);
    EXPECT_FALSE(window().gate().welcome_gate_active);
    ASSERT_FALSE(view->navigations.empty());
    EXPECT_EQ(view->navigations.back(), u"https://vantiro.app/en/editor");
    window().on_close_request();
  };
  EXPECT_EQ(run({}), 0);
}

TEST_F(StudioTest, WithoutASessionCookieTheGateStaysAndNoRequestIsMade) {
  platform.in_loop = [&] {
    first_view_with_cookies({{u"quorvanta.sid", u"", true, 0}, {u"quorvanta.side", u"x", true, 0}});
    EXPECT_EQ(jobs.size(), 1u) << "only the update check";
    EXPECT_TRUE(window().gate().welcome_gate_active);
    EXPECT_FALSE(window().gate().welcome_grace_pending) << "the answer ended the grace";
    EXPECT_FALSE(window().gate().session_check_running);
    window().on_close_request();
  };
  EXPECT_EQ(run({}), 0);
  EXPECT_TRUE(https->requests.empty());
}

TEST_F(StudioTest, AWorkerThatOutlivesTheWindowFreesWhatItCouldNotHandOver) {
  const std::string body = release(70000);
  platform.in_loop = [&] {
    engine.complete_environment(true);
    pump();
    window().on_close_request();
  };
  EXPECT_EQ(run({u"--skip-welcome"}), 0);
  ASSERT_EQ(jobs.size(), 1u);
  // The check finds a release and downloads it after the window is gone.
  offer_release(body);
  studio.reset();
  run_jobs();
  ASSERT_EQ(https->requests.size(), 2u) << "the download ran";
  for (const auto& [path, bytes] : update_files->files)
    EXPECT_EQ(path.filename().u16string().find(u"Vantiro-update-"), std::u16string::npos)
        << "a refused staged update deletes its download: " << path.string();
}

class StudioSettingsTest : public StudioTest {
 protected:
  void start(std::vector<std::u16string> args = {u"--skip-welcome"}) {
    platform.in_loop = [this] {
      engine.complete_environment(true);
      pump();
      body();
      if (platform.window_exists) window().on_close_request();
    };
    exit_code = run(std::move(args));
  }
  chrome::ZoneAction action(chrome::ActionKind kind, int value = 0, std::u16string payload = {}) {
    return chrome::ZoneAction{kind, std::move(payload), value, false, false};
  }
  void act(chrome::ZoneAction a) { window().run_zone_action(a); }

  std::function<void()> body;
  int exit_code = -1;
};

TEST_F(StudioSettingsTest, ZoomIsSavedAndAppliedToEveryViewAndAFailedSaveRollsBack) {
  body = [&] {
    act(action(chrome::ActionKind::set_zoom, 125));
    EXPECT_EQ(studio->runtime().settings.zoom_percent, 125u);
    EXPECT_DOUBLE_EQ(engine.last_controller()->zoom, 1.25);
    EXPECT_NE(fs.read_regular_file(kSettings, 4096).bytes.find("zoom_percent=125"),
              std::string::npos);

    act(action(chrome::ActionKind::set_zoom, 117));
    EXPECT_EQ(studio->runtime().settings.zoom_percent, 125u) << "not one of the steps";

    fs.fail_replace(kSettings);
    act(action(chrome::ActionKind::set_zoom, 80));
    EXPECT_EQ(studio->runtime().settings.zoom_percent, 125u) << "rolled back";
    EXPECT_DOUBLE_EQ(engine.last_controller()->zoom, 1.25);
    EXPECT_FALSE(studio->runtime().settings_message.empty()) << "the user learns why";
    EXPECT_FALSE(window().chrome_state().settings_message.empty());
  };
  start();
  EXPECT_EQ(exit_code, 0);
}

TEST_F(StudioSettingsTest, APerformanceChangeReachesLoadedPagesAndTheMotionState) {
  body = [&] {
    auto view = active_view();
    view->finish_navigation(view->starts.back().id, true);
    pump();
    act(action(chrome::ActionKind::set_performance, 1));
    EXPECT_TRUE(studio->runtime().perf_lite);
    EXPECT_TRUE(studio->runtime().reduced_motion) << "light mode reduces motion";
    ASSERT_FALSE(view->executed_scripts.empty());
    EXPECT_NE(view->executed_scripts.back().find(u"setMode('low'"), std::u16string::npos);
  };
  start();
}

TEST_F(StudioSettingsTest, TheLanguageToggleEndsAForcedLanguageAndReopensOnlyServicePages) {
  body = [&] {
    ASSERT_TRUE(studio->runtime().ui_swedish) << "--lang=sv";
    auto view = active_view();
    view->finish_navigation(view->starts.back().id, true);
    pump();
    window().open_palette_route(u"app:lang", false);
    pump();
    EXPECT_FALSE(studio->runtime().ui_swedish);
    EXPECT_FALSE(studio->runtime().language_forced);
    EXPECT_EQ(view->navigations.back(), u"https://vantiro.app/en/editor") << "reopened in English";
    EXPECT_EQ(studio->runtime().settings.language, LanguageSetting::en);

    // A page outside the service (a payment or sign-in page) is not replaced.
    view->finish_navigation(view->starts.back().id, true);
    pump();
    const std::size_t before = view->navigations.size();
    window().tabs().active_tab()->source_url = u"https://checkout.example.com/pay";
    window().open_palette_route(u"app:lang", false);
    EXPECT_TRUE(studio->runtime().ui_swedish);
    EXPECT_EQ(view->navigations.size(), before);
  };
  start({u"--skip-welcome", u"--lang=sv"});
}

TEST_F(StudioSettingsTest, ALanguageChosenInSettingsEndsAForcedLanguageOnlyWhenSaved) {
  body = [&] {
    ASSERT_TRUE(studio->runtime().ui_swedish) << "--lang=sv";
    fs.fail_replace(testing::kSettings);
    act(action(chrome::ActionKind::set_language, chrome::kLanguageEnglish));
    EXPECT_TRUE(studio->runtime().ui_swedish) << "not saved: nothing changes";
    EXPECT_TRUE(studio->runtime().language_forced);
    EXPECT_EQ(studio->runtime().settings.language, LanguageSetting::automatic) << "rolled back";
    EXPECT_FALSE(studio->runtime().settings_message.empty()) << "the reason is shown";
    window().open_palette_route(u"app:lang", false);
    EXPECT_TRUE(studio->runtime().ui_swedish) << "a toggle that cannot be saved changes nothing";
    EXPECT_FALSE(studio->runtime().settings_message.empty()) << "and keeps its reason";

    fs = FakeFileSystem();
    fs.add_directory(testing::kLocal);
    act(action(chrome::ActionKind::set_language, chrome::kLanguageEnglish));
    EXPECT_FALSE(studio->runtime().ui_swedish) << "the user's choice wins over --lang=sv";
    EXPECT_FALSE(studio->runtime().language_forced);
    act(action(chrome::ActionKind::set_language, chrome::kLanguageAuto));
    EXPECT_FALSE(studio->runtime().ui_swedish) << "auto follows the system (en-US)";
  };
  start({u"--skip-welcome", u"--lang=sv"});
}

TEST_F(StudioSettingsTest, PaletteAppRowsOpenTheirSettingsPages) {
  body = [&] {
    window().open_palette_route(u"app:legal", false);
    EXPECT_TRUE(studio->runtime().settings_open);
    EXPECT_EQ(studio->runtime().settings_category, 5);
    window().open_palette_route(u"app:shortcuts", false);
    EXPECT_EQ(studio->runtime().settings_category, 2) << "an open overlay changes its page";
    window().open_palette_route(u"app:update", false);
    EXPECT_EQ(studio->runtime().settings_category, 4);
    EXPECT_EQ(jobs.size(), 1u) << "the boot check still runs; no second check starts";
    run_jobs();
    EXPECT_EQ(to_utf8(studio->runtime().update_status_text), "Could not reach the update server.");
    window().open_palette_route(u"app:update", false);
    EXPECT_EQ(jobs.size(), 1u);
    EXPECT_EQ(to_utf8(studio->runtime().update_status_text), "Checking for updates …");
  };
  start();
}

TEST_F(StudioSettingsTest, ALegalPageOpensInANewTabOrInTheLauncher) {
  body = [&] {
    act(action(chrome::ActionKind::open_legal, 0, u"/privacy"));
    ASSERT_EQ(window().tabs().tabs().size(), 2u);
    EXPECT_EQ(window().tabs().active_tab()->pending_url, u"https://vantiro.app/en/privacy");
    window().tabs().open_tab(u"", true, clock->now);
    ASSERT_EQ(window().tabs().tabs().size(), 3u);
    act(action(chrome::ActionKind::open_legal, 0, u"/terms"));
    EXPECT_EQ(window().tabs().tabs().size(), 3u) << "the launcher tab takes it";
    act(action(chrome::ActionKind::open_legal, 0, u"/elsewhere"));
    EXPECT_EQ(window().tabs().tabs().size(), 3u);
  };
  start();
}

TEST_F(StudioSettingsTest, AStagedUpdateIsVerifiedAgainAndInstalledOnTheUsersRequest) {
  const std::string body_bytes = release(70000);
  body = [&] {
    offer_release(body_bytes);
    run_jobs();
    ASSERT_NE(window().staged_update(), nullptr);
    EXPECT_TRUE(window().chrome_state().update_ready);

    act(action(chrome::ActionKind::apply_update));
    EXPECT_EQ(window().staged_update(), nullptr) << "the pill goes while it verifies";
    EXPECT_EQ(to_utf8(studio->runtime().settings_message), "Verifying and installing update …");
    ASSERT_EQ(jobs.size(), 1u);
    run_jobs();
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0], (std::vector<std::u16string>{u"--cleanup-old", u"--lang=en"}));
    EXPECT_EQ(platform.lock.releases, 1) << "the new program gets the lock";
    EXPECT_EQ(update_files->files[kExe], body_bytes);
    EXPECT_FALSE(platform.window_exists) << "this program ends";
  };
  start({u"--skip-welcome", u"--skip-boot-update"});
  EXPECT_EQ(exit_code, 0);
  EXPECT_TRUE(opener.opened.empty());
}

TEST_F(StudioSettingsTest, ABootUpdateDownloadsUnderTheBootSceneAndRestartsIntoTheNewBuild) {
  const std::string body_bytes = release(70000);
  body = [&] {
    offer_release(body_bytes);
    ASSERT_EQ(jobs.size(), 1u);
    auto job = std::move(jobs.front());
    jobs.clear();
    job();
    // Delivered one by one: the download start shows the update scene first.
    ASSERT_FALSE(platform.posted.queue.empty());
    UiEvent first = std::move(platform.posted.queue.front());
    platform.posted.queue.pop_front();
    window().on_event(first);
    EXPECT_TRUE(window().chrome_state().update_scene);
    EXPECT_TRUE(platform.timer_armed(TimerId::boot_download_watchdog));
    pump();
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(update_files->files[kExe], body_bytes);
    EXPECT_FALSE(platform.window_exists);
  };
  start();
  EXPECT_EQ(exit_code, 0);
}

TEST_F(StudioSettingsTest, AnUpdateThatCannotBeVerifiedStartsNoWorkerAndOpensTheDownload) {
  body = [&] {
    workers_start = false;
    run_jobs();
    act(action(chrome::ActionKind::apply_update));
    EXPECT_TRUE(opener.opened.empty()) << "no newer version known yet";
    studio->runtime().latest_version = u"1.9.10";
    act(action(chrome::ActionKind::apply_update));
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], u"https://vantiro.app/downloads/desktop/Vantiro.exe");
  };
  start();
}

TEST_F(StudioSettingsTest, ACloseDuringTheFolderDialogWaitsForItAndTheChoiceIsKept) {
  resource_fs.add(u"/srv/fivem/resources", vantiro::testing_fs::FakeResourceFs::Kind::folder);
  picker.next = {FolderPickResult::Status::chosen, u"/srv/fivem/resources"};
  picker.while_open = [&] {
    window().on_close_request();
    EXPECT_TRUE(platform.window_exists) << "not destroyed under the dialog";
  };
  body = [&] {
    act(action(chrome::ActionKind::choose_fivem_folder));
    EXPECT_FALSE(platform.window_exists) << "the close ran when the dialog returned";
  };
  start();
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(studio->runtime().settings.fivem_resources_dir, "/srv/fivem/resources");
  EXPECT_NE(fs.read_regular_file(kSettings, 4096).bytes.find("/srv/fivem/resources"),
            std::string::npos);
}

TEST(CleanUpOldExecutable, TriesOnceOrTwentyTimesAfterAnUpdate) {
  struct Case {
    bool exists;
    bool removable;
    bool cleanup_old;
    std::size_t sleeps;
    bool gone;
  };
  const Case cases[] = {
      {false, true, false, 0, true},  {true, true, false, 0, true}, {true, false, false, 0, false},
      {true, false, true, 19, false}, {true, true, true, 0, true},
  };
  for (const Case& c : cases) {
    update::testing::FakeUpdateFiles files;
    files.folders.insert(kExe.parent_path());
    Path old = kExe;
    old += ".old";
    if (c.exists) files.files[old] = "previous";
    if (!c.removable) files.undeletable.insert(old);
    std::vector<std::uint64_t> sleeps;
    clean_up_old_executable(files, kExe, c.cleanup_old,
                            [&](std::uint64_t ms) { sleeps.push_back(ms); });
    EXPECT_EQ(sleeps.size(), c.sleeps) << c.exists << c.removable << c.cleanup_old;
    for (std::uint64_t ms : sleeps) EXPECT_EQ(ms, 150u);
    EXPECT_EQ(files.files.count(old) == 0, c.gone);
  }
}

TEST(VerifyOwnSignature, AsksThePublisherCheckOnTheProgramsOwnBytes) {
  update::testing::FakeUpdateFiles files;
  update::testing::FakeReleaseChecks checks;
  EXPECT_FALSE(verify_own_signature(files, checks, kExe)) << "no file";
  files.files[kExe] = "signed program";
  EXPECT_TRUE(verify_own_signature(files, checks, kExe));
  checks.signed_ok = false;
  EXPECT_FALSE(verify_own_signature(files, checks, kExe));
  EXPECT_FALSE(verify_own_signature(files, checks, Path()));
}

}  // namespace
}  // namespace vantiro::app
