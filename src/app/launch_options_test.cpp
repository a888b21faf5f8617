#include "app/launch_options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_system.h"
#include "common/utf.h"

namespace vantiro {
namespace {

Path base_folder() {
  return std::filesystem::current_path();
}

// Joins to the current folder; "bad" cannot be made absolute and "rel"
// comes back still relative.
std::optional<std::u16string> fake_absolute(std::u16string_view p) {
  if (p == u"bad") return std::nullopt;
  if (p == u"rel") return std::u16string(u"still/relative");
  return (base_folder() / Path(p)).u16string();
}

std::vector<std::u16string> argv(std::initializer_list<std::u16string_view> rest) {
  std::vector<std::u16string> out{u"Vantiro.exe"};
  for (auto a : rest) out.emplace_back(a);
  return out;
}

std::string joined(const std::vector<std::u16string>& args) {
  std::string s;
  for (const auto& a : args) s += to_utf8(a) + " ";
  return s;
}

TEST(LaunchOptions, ModeTable) {
  struct Case {
    std::vector<std::u16string> args;
    LaunchMode mode;
  };
  const Case cases[] = {
      {argv({}), LaunchMode::studio},
      {argv({u"--verify-signed"}), LaunchMode::verify_signed},
      {argv({u"--verify-signed", u"x"}), LaunchMode::studio},
      {argv({u"--lang=sv", u"--verify-signed"}), LaunchMode::studio},
      {argv({u"--Verify-Signed"}), LaunchMode::studio},
      {argv({u"--self-test", u"r.json"}), LaunchMode::self_test},
      {argv({u"--self-test"}), LaunchMode::studio},
      {argv({u"--self-test", u"r.json", u"x"}), LaunchMode::studio},
      {argv({u"x", u"--self-test"}), LaunchMode::studio},
      {argv({u"--self-test", u"bad"}), LaunchMode::unusable_path},
      {argv({u"--self-test", u"rel"}), LaunchMode::unusable_path},
      {argv({u"--self-test", u""}), LaunchMode::unusable_path},
      {argv({u"--uninstall"}), LaunchMode::uninstall},
      {argv({u"--uninstall ", u"--UNINSTALL", u"-uninstall"}), LaunchMode::studio},
      {argv({u"--visual-check", u"out"}), LaunchMode::visual_check},
      {argv({u"--visual-check"}), LaunchMode::studio},
      {argv({u"--skip-welcome", u"--visual-check"}), LaunchMode::studio},
      {argv({u"--visual-check", u"bad"}), LaunchMode::unusable_path},
      {argv({u"--visual-check", u"rel"}), LaunchMode::unusable_path},
      {argv({u"--visual-check", u"out", u"--uninstall"}), LaunchMode::uninstall},
      {argv({u"--visual-check", u"bad", u"--uninstall"}), LaunchMode::uninstall},
      {{}, LaunchMode::studio},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_launch_options(c.args, fake_absolute).mode, c.mode) << joined(c.args);
  }
}

TEST(LaunchOptions, SelfTestPathIsMadeAbsolute) {
  const LaunchPlan plan = parse_launch_options(argv({u"--self-test", u"r.json"}), fake_absolute);
  EXPECT_EQ(plan.self_test_path, (base_folder() / "r.json").u16string());
  EXPECT_FALSE(plan.options.uninstall);
  const LaunchPlan none = parse_launch_options(argv({u"--self-test", u"r.json"}), MakeAbsolute());
  EXPECT_EQ(none.mode, LaunchMode::unusable_path);
}

TEST(LaunchOptions, LaterLanguageOptionWins) {
  struct Case {
    std::vector<std::u16string> args;
    bool forced;
    bool swedish;
  };
  const Case cases[] = {
      {argv({u"--lang=sv", u"--lang=en"}), true, false},
      {argv({u"--lang=en", u"--lang=sv"}), true, true},
      {argv({u"--lang=sv"}), true, true},
      {argv({u"--lang=sv", u"--lang=de"}), true, true},
      {argv({u"--lang=SV"}), false, false},
      {argv({u"--lang=", u"--lang"}), false, false},
      {argv({}), false, false},
  };
  for (const auto& c : cases) {
    const LaunchOptions o = parse_launch_options(c.args, fake_absolute).options;
    EXPECT_EQ(o.language_forced, c.forced) << joined(c.args);
    EXPECT_EQ(o.forced_swedish, c.swedish) << joined(c.args);
  }
}

TEST(LaunchOptions, FlagsAndTheWelcomeGate) {
  const LaunchPlan plain = parse_launch_options(argv({}), fake_absolute);
  EXPECT_TRUE(plain.welcome.welcome_gate_active);
  EXPECT_TRUE(plain.welcome.welcome_grace_pending);
  EXPECT_FALSE(plain.welcome.welcome_skipped);

  const LaunchPlan p = parse_launch_options(
      argv({u"--cleanup-old", u"--skip-boot-update", u"--skip-welcome", u"--unknown"}),
      fake_absolute);
  EXPECT_TRUE(p.options.cleanup_old);
  EXPECT_TRUE(p.options.skip_boot_update);
  EXPECT_TRUE(p.options.skip_welcome);
  EXPECT_FALSE(p.options.uninstall);
  EXPECT_FALSE(p.welcome.welcome_gate_active);
  EXPECT_FALSE(p.welcome.welcome_grace_pending);
  EXPECT_TRUE(p.welcome.welcome_skipped);
  EXPECT_EQ(p.mode, LaunchMode::studio);

  const LaunchPlan v = parse_launch_options(argv({u"--visual-check", u"out dir"}), fake_absolute);
  EXPECT_EQ(v.options.visual_check_dir, (base_folder() / "out dir").u16string());
  EXPECT_TRUE(v.welcome.welcome_gate_active);
  EXPECT_FALSE(v.welcome.welcome_grace_pending);
  EXPECT_FALSE(v.welcome.welcome_skipped);

  // A trailing --visual-check changes nothing.
  const LaunchPlan t = parse_launch_options(argv({u"--visual-check"}), fake_absolute);
  EXPECT_TRUE(t.options.visual_check_dir.empty());
  EXPECT_TRUE(t.welcome.welcome_grace_pending);

  // The argument after --visual-check is taken as the folder even when it looks like an option.
  const LaunchPlan c =
      parse_launch_options(argv({u"--visual-check", u"--uninstall"}), fake_absolute);
  EXPECT_FALSE(c.options.uninstall);
  EXPECT_EQ(c.options.visual_check_dir, (base_folder() / "--uninstall").u16string());
  EXPECT_EQ(c.mode, LaunchMode::visual_check);

  // The last folder given wins.
  const LaunchPlan twice =
      parse_launch_options(argv({u"--visual-check", u"a", u"--visual-check", u"b"}), fake_absolute);
  EXPECT_EQ(twice.options.visual_check_dir, (base_folder() / "b").u16string());
}

}  // namespace
}  // namespace vantiro
