#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro {

// The parsed command line.
struct LaunchOptions {
  bool uninstall = false;
  bool cleanup_old = false;
  bool skip_boot_update = false;
  bool skip_welcome = false;
  bool language_forced = false;
  bool forced_swedish = false;
  std::u16string visual_check_dir;  // absolute; empty when not given
};

enum class LaunchMode {
  verify_signed,  // "--verify-signed" alone: publisher check, exit
  self_test,      // "--self-test PATH" alone
  uninstall,      // "--uninstall" (wins over a visual check)
  visual_check,   // "--visual-check DIR"
  studio,         // the normal studio
  unusable_path,  // a report path or folder could not be made absolute: exit 1, run nothing
};

// The welcome gate's start-up flags that the command line changes.
struct WelcomeStart {
  bool welcome_gate_active = true;
  bool welcome_grace_pending = true;
  bool welcome_skipped = false;
};

struct LaunchPlan {
  LaunchMode mode = LaunchMode::studio;
  std::u16string self_test_path;  // absolute, for self_test
  LaunchOptions options;
  WelcomeStart welcome;
};

// Makes a path absolute; nullopt on failure.
using MakeAbsolute = std::function<std::optional<std::u16string>(std::u16string_view)>;

// args holds the program name first, as the system splits the command line. Matching is
// exact and case-sensitive. A path that cannot be made absolute, or whose result is empty or
// still relative, gives unusable_path: the mode that needed it cannot write its report.
LaunchPlan parse_launch_options(const std::vector<std::u16string>& args,
                                const MakeAbsolute& make_absolute);

// The exit code for a plan that ends before any mode runs.
inline constexpr int kUnusablePathExitCode = 1;

}  // namespace vantiro
