#include "app/launch_options.h"

#include "common/file_system.h"

namespace vantiro {
namespace {

std::optional<std::u16string> absolute_or_nothing(std::u16string_view path,
                                                  const MakeAbsolute& make_absolute) {
  if (path.empty() || !make_absolute) return std::nullopt;
  std::optional<std::u16string> out = make_absolute(path);
  if (!out || out->empty() || !Path(*out).is_absolute()) return std::nullopt;
  return out;
}

}  // namespace

LaunchPlan parse_launch_options(const std::vector<std::u16string>& args,
                                const MakeAbsolute& make_absolute) {
  LaunchPlan plan;
  if (args.size() == 2 && args[1] == u"--verify-signed") {
    plan.mode = LaunchMode::verify_signed;
    return plan;
  }
  if (args.size() == 3 && args[1] == u"--self-test") {
    if (auto path = absolute_or_nothing(args[2], make_absolute)) {
      plan.mode = LaunchMode::self_test;
      plan.self_test_path = std::move(*path);
    } else {
      plan.mode = LaunchMode::unusable_path;
    }
    return plan;
  }

  bool path_failed = false;
  LaunchOptions& o = plan.options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (a == u"--uninstall") {
      o.uninstall = true;
    } else if (a == u"--cleanup-old") {
      o.cleanup_old = true;
    } else if (a == u"--skip-boot-update") {
      o.skip_boot_update = true;
    } else if (a == u"--skip-welcome") {
      o.skip_welcome = true;
      plan.welcome.welcome_gate_active = false;
      plan.welcome.welcome_grace_pending = false;
      plan.welcome.welcome_skipped = true;
    } else if (a == u"--lang=sv" || a == u"--lang=en") {
      o.language_forced = true;
      o.forced_swedish = a == u"--lang=sv";
    } else if (a == u"--visual-check" && i + 1 < args.size()) {
      ++i;
      if (auto dir = absolute_or_nothing(args[i], make_absolute)) {
        o.visual_check_dir = std::move(*dir);
      } else {
        path_failed = true;
      }
      plan.welcome.welcome_grace_pending = false;
    }
  }

  if (o.uninstall) {
    plan.mode = LaunchMode::uninstall;
  } else if (path_failed) {
    plan.mode = LaunchMode::unusable_path;
  } else if (!o.visual_check_dir.empty()) {
    plan.mode = LaunchMode::visual_check;
  } else {
    plan.mode = LaunchMode::studio;
  }
  return plan;
}

}  // namespace vantiro
