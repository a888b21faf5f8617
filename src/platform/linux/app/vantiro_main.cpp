// The studio's program on Linux: builds the host's ports and hands over to the studio.

#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/studio.h"
#include "common/utf.h"
#include "platform/external_opener.h"
#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_studio_platform.h"
#include "platform/linux/lsan_exemptions.h"
#include "platform/linux/worker_threads.h"
#include "platform/ports.h"
#include "platform/update_ports.h"
#include "platform/webkit_engine_factory.h"

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return vantiro::platform::toolkit_leak_exemptions();
}

namespace {

using namespace vantiro;

// The engine is made when the first web view is wanted, so that the modes that never show a
// window do not need a display.
class LazyWebEngine final : public workspace::WebEngine {
 public:
  explicit LazyWebEngine(platform::GtkStudioPlatform& host) : host_(host) {}
  std::optional<std::u16string> available_browser_version() override {
    return engine().available_browser_version();
  }
  bool create_environment(
      const workspace::WebEnvironmentOptions& options,
      std::function<void(std::shared_ptr<workspace::WebEnvironment>)> done) override {
    return engine().create_environment(options, std::move(done));
  }
  std::shared_ptr<workspace::WebHostWindow> create_host_window() override {
    return engine().create_host_window();
  }

 private:
  workspace::WebEngine& engine() {
    if (!engine_) engine_ = platform::make_web_engine(host_.view_container());
    return *engine_;
  }
  platform::GtkStudioPlatform& host_;
  std::unique_ptr<workspace::WebEngine> engine_;
};

// The locale the way the studio's language choice reads it: "sv-SE" from "sv_SE.UTF-8".
std::u16string locale_name() {
  for (const char* const* names = g_get_language_names(); *names != nullptr; ++names) {
    std::string name = *names;
    if (name == "C" || name == "POSIX") continue;
    name = name.substr(0, name.find_first_of(".@"));
    for (char& c : name)
      if (c == '_') c = '-';
    return to_utf16(name);
  }
  return {};
}

Path own_executable() {
  std::error_code ec;
  Path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? Path() : p;
}

std::string fonts_conf() {
#ifdef VANTIRO_FONTS_CONF
  if (std::filesystem::exists(VANTIRO_FONTS_CONF)) return VANTIRO_FONTS_CONF;
#endif
  const Path beside = own_executable().parent_path() / "fonts.conf";
  std::error_code ec;
  return std::filesystem::exists(beside, ec) ? beside.string() : std::string();
}

int run_studio(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.push_back(to_utf16(argv[i]));

  auto fs = platform::make_file_system();
  auto folders = platform::make_user_folders();
  auto profiles = platform::make_profile_store(*fs);
  auto work_areas = platform::make_work_areas();
  auto opener = platform::make_external_opener(nullptr);
  auto resource_fs = platform::make_resource_fs();
  auto picker = platform::make_folder_picker({});
  auto starter = platform::make_process_starter();

  platform::GtkStudioPlatform host(app_data_folder(*folders).u16string(), fonts_conf());
  host.set_folder_picker(picker.get());
  LazyWebEngine engine(host);

  app::StudioPorts ports{host,
                         *fs,
                         *folders,
                         *profiles,
                         *work_areas,
                         *opener,
                         *resource_fs,
                         *picker,
                         engine,
                         *starter,
                         std::shared_ptr<Clock>(platform::make_clock()),
                         std::shared_ptr<Sha256>(platform::make_sha256()),
                         std::shared_ptr<HttpsClient>(platform::make_https_client()),
                         std::shared_ptr<update::UpdateFiles>(platform::make_update_files()),
                         std::shared_ptr<update::ReleaseChecks>(platform::make_release_checks()),
                         platform::WorkerThreads::start};
  const std::u16string locale = locale_name();
  app::ProcessFacts facts;
  facts.executable = own_executable();
  facts.process_id = static_cast<std::uint32_t>(getpid());
  facts.locale_name = locale;
  facts.ui_language_is_swedish = locale == u"sv" || locale.starts_with(u"sv-");

  app::Studio studio(std::move(ports), std::move(facts));
  host.attach(studio);
  return studio.run(
      args, [](std::u16string_view p) { return platform::make_absolute_path(p); },
      [](std::uint64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
}

}  // namespace

int main(int argc, char** argv) {
  // Everything of the run is gone by now; a worker that is still busy (a boot download, a
  // session check) is left to end with the process.
  vantiro::platform::exit_process(run_studio(argc, argv));
}
