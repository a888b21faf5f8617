#include "persist/settings.h"

#include <gtest/gtest.h>

#include "common/fake_file_system.h"
#include "common/utf.h"
#include "persist/ini_profile.h"

namespace vantiro {
namespace {

const Path kSettings = Path(u"/home/u/.local/share/Vantiro/settings.ini");
const Path kWindow = Path(u"/home/u/.local/share/Vantiro/window.ini");

std::string header(std::string_view body) {
  return "[settings]\nschema=1\n" + std::string(body);
}

TEST(ZoomPercent, AllowsExactlyTheSixSteps) {
  for (int z = -200; z <= 400; ++z) {
    const bool expected = z == 80 || z == 90 || z == 100 || z == 110 || z == 125 || z == 150;
    EXPECT_EQ(is_allowed_zoom_percent(z), expected) << z;
  }
  EXPECT_FALSE(is_allowed_zoom_percent(4294967296LL + 100));
}

TEST(FivemResourcesDir, ValidatorTable) {
  struct Case {
    std::string value;
    bool valid;
    const char* what;
  };
  const Case cases[] = {
      {std::string(512, 'a'), true, "512 bytes"},
      {std::string(513, 'a'), false, "513 bytes"},
      {"", false, "empty"},
      {"C:\\a\nb", false, "LF"},
      {std::string("C:\\a\0b", 6), false, "NUL"},
      {"C:\\a\rb", false, "CR"},
      {" C:\\a", false, "leading space"},
      {"C:\\a ", false, "trailing space"},
      {"\tC:\\a", false, "leading tab"},
      {"C:\\a b", true, "inner space"},
      {"C:\\FXServer\\server-data\\resources \xC3\xA5\xC3\xA4\xC3\xB6", true, "two-byte UTF-8"},
      {"\xC3\x28", false, "bad continuation"},
      {"\xC0\xAF", false, "overlong lead C0"},
      {"\xC1\xBF", false, "overlong lead C1"},
      {"\xE0\x9F\xBF", false, "overlong three bytes"},
      {"\xE0\xA0\x80", true, "smallest three bytes"},
      {"\xED\xA0\x80", false, "surrogate"},
      {"\xED\x9F\xBF", true, "below the surrogates"},
      {"\xF0\x8F\xBF\xBF", false, "overlong four bytes"},
      {"\xF0\x90\x80\x80", true, "smallest four bytes"},
      {"\xF4\x8F\xBF\xBF", true, "largest code point"},
      {"\xF4\x90\x80\x80", false, "above U+10FFFF"},
      {"\xF5\x80\x80\x80", false, "lead F5"},
      {"\xFF", false, "lead FF"},
      {"a\xE2\x82", false, "truncated at the end"},
      {"\x80", false, "lone continuation"},
  };
  for (const auto& c : cases) EXPECT_EQ(is_valid_fivem_resources_dir(c.value), c.valid) << c.what;
}

TEST(ParseSettings, FileGrammarTable) {
  struct Case {
    std::string text;
    const char* what;
    bool unreadable;
    bool newer;
    std::uint32_t zoom;
    LanguageSetting language;
    std::string dir;
  };
  using L = LanguageSetting;
  const Case cases[] = {
      {"[settings]\nschema=9\nzoom_percent=150\n", "newer schema", false, true, 100, L::automatic,
       ""},
      {"[settings]\nschema=1\nzoom_percent=100.0\nlanguage=sv\nlanguage=en\n",
       "point in zoom, repeated language", false, false, 100, L::automatic, ""},
      {std::string(5000, 'a'), "5000 bytes", true, false, 100, L::automatic, ""},
      {header("zoom_percent=125\n") + std::string(4096, ' '), "over 4096 bytes", true, false, 100,
       L::automatic, ""},
      {std::string("[settings]\nschema=1\nlanguage=sv\n\0", 34), "NUL at the end", true, false, 100,
       L::automatic, ""},
      {std::string("[settings]\nsch\0ema=1\n", 21), "NUL inside", true, false, 100, L::automatic,
       ""},
      {"[settings]\nschema=1\nschema=1\nlanguage=sv\n", "two schema lines", true, false, 100,
       L::automatic, ""},
      {"[settings]\nschema=0\nlanguage=sv\n", "schema 0", true, false, 100, L::automatic, ""},
      {"[settings]\nschema=0000001\nlanguage=sv\n", "seven digits", true, false, 100, L::automatic,
       ""},
      {"[settings]\nschema=000001\nlanguage=sv\n", "six digits", false, false, 100, L::sv, ""},
      {"[settings]\nschema=+1\n", "signed schema", true, false, 100, L::automatic, ""},
      {"[settings]\nlanguage=sv\n", "no schema", true, false, 100, L::automatic, ""},
      {"", "empty file", true, false, 100, L::automatic, ""},
      {"schema=1\nlanguage=sv\n[settings]\nzoom_percent=90\n", "keys before the header", true,
       false, 100, L::automatic, ""},
      {"language=sv\n[settings]\nschema=1\n[other]\nzoom_percent=90\n", "keys outside the section",
       false, false, 100, L::automatic, ""},
      {"[ settings ]\nschema=1\nlanguage=en\n", "spaces inside the brackets", false, false, 100,
       L::en, ""},
      {"[Settings]\nschema=1\nlanguage=en\n", "section name is case-sensitive", true, false, 100,
       L::automatic, ""},
      {"\xEF\xBB\xBF[settings]\r\nschema=1\r\nzoom_percent=80\r\n", "BOM and CRLF", false, false,
       80, L::automatic, ""},
      {"\xEF\xBB\xBF\xEF\xBB\xBF[settings]\nschema=1\n", "two BOMs", true, false, 100, L::automatic,
       ""},
      {"  [settings]  \n\t schema = 1 \n language\t=\tsv \n", "white space trimmed", false, false,
       100, L::sv, ""},
      {header("# zoom_percent=80\n; language=sv\nzoom_percent=110"), "comments, open last line",
       false, false, 110, L::automatic, ""},
      {header("Language=sv\nzoom_percent= 0125\nzoom_percent=80\n"), "keys compare exactly", false,
       false, 100, L::automatic, ""},
      {header("zoom_percent=0000080\n"), "seven zoom digits", false, false, 100, L::automatic, ""},
      {header("zoom_percent=000080\n"), "six zoom digits", false, false, 80, L::automatic, ""},
      {header("zoom_percent=95\n"), "zoom not a step", false, false, 100, L::automatic, ""},
      {header("[settings\nlanguage=sv\n"), "unclosed header is a key line", false, false, 100,
       L::sv, ""},
      {header("fivem_resources_dir=C:\\a\nfivem_resources_dir=C:\\b\n"), "folder twice", false,
       false, 100, L::automatic, ""},
      {header("fivem_resources_dir=C:\\a\rC:\\b\n"), "CR inside the folder", false, false, 100,
       L::automatic, ""},
      {"[settings]\r\nschema=1\r\nfivem_resources_dir=C:\\FX\\resources\r\n", "CRLF folder", false,
       false, 100, L::automatic, "C:\\FX\\resources"},
      {header("fivem_resources_dir=\xC3\x28\n"), "bad UTF-8 folder", false, false, 100,
       L::automatic, ""},
      {header("fivem_resources_dir=C:\\" + std::string(520, 'x') + "\n"), "over-long folder", false,
       false, 100, L::automatic, ""},
      {header("fivem_resources_dir=C:\\x=y\n"), "equals sign inside the folder", false, false, 100,
       L::automatic, "C:\\x=y"},
  };
  for (const auto& c : cases) {
    const AppSettings s = parse_settings(c.text);
    EXPECT_EQ(s.unreadable, c.unreadable) << c.what;
    EXPECT_EQ(s.newer_schema, c.newer) << c.what;
    EXPECT_EQ(s.zoom_percent, c.zoom) << c.what;
    EXPECT_EQ(s.language, c.language) << c.what;
    EXPECT_EQ(s.fivem_resources_dir, c.dir) << c.what;
    EXPECT_FALSE(s.file_existed) << c.what;
  }
}

TEST(ParseSettings, EveryKeyAndValue) {
  const AppSettings s = parse_settings(
      header("language=en\nstartup=launcher\nsidebar_expanded=1\nreduce_motion=on\n"
             "perf_mode=low\nzoom_percent=150\nboot_auto_update=0\nconfirm_close_tabs=0\n"));
  EXPECT_EQ(s.language, LanguageSetting::en);
  EXPECT_EQ(s.startup, StartupWorkspace::launcher);
  EXPECT_TRUE(s.sidebar_expanded);
  EXPECT_EQ(s.reduce_motion, ReduceMotionSetting::on);
  EXPECT_EQ(s.perf_mode, PerfModeSetting::low);
  EXPECT_EQ(s.zoom_percent, 150u);
  EXPECT_FALSE(s.boot_auto_update);
  EXPECT_FALSE(s.confirm_close_tabs);

  EXPECT_EQ(parse_settings(header("perf_mode=normal\n")).perf_mode, PerfModeSetting::high);
  EXPECT_EQ(parse_settings(header("perf_mode=high\n")).perf_mode, PerfModeSetting::high);
  EXPECT_EQ(parse_settings(header("perf_mode=HIGH\n")).perf_mode, PerfModeSetting::automatic);
  EXPECT_EQ(parse_settings(header("reduce_motion=off\n")).reduce_motion, ReduceMotionSetting::off);
  EXPECT_TRUE(parse_settings(header("boot_auto_update=yes\n")).boot_auto_update);
  EXPECT_FALSE(parse_settings(header("sidebar_expanded=2\n")).sidebar_expanded);
  // A bad first value leaves the default and still counts as the first occurrence.
  EXPECT_EQ(parse_settings(header("language=xx\nlanguage=sv\n")).language,
            LanguageSetting::automatic);
  // Any later occurrence resets, also a third one.
  EXPECT_TRUE(parse_settings(header("boot_auto_update=0\nboot_auto_update=0\n")).boot_auto_update);
  EXPECT_EQ(
      parse_settings(header("startup=launcher\nstartup=launcher\nstartup=launcher\n")).startup,
      StartupWorkspace::ped);
}

TEST(SerializeSettings, WritesTheFixedLinesInOrder) {
  AppSettings s;
  EXPECT_EQ(serialize_settings(s),
            "[settings]\nschema=1\nlanguage=auto\nstartup=ped\nsidebar_expanded=0\n"
            "reduce_motion=system\nperf_mode=auto\nzoom_percent=100\nboot_auto_update=1\n"
            "confirm_close_tabs=1\n");
  s.language = LanguageSetting::sv;
  s.startup = StartupWorkspace::launcher;
  s.sidebar_expanded = true;
  s.reduce_motion = ReduceMotionSetting::off;
  s.perf_mode = PerfModeSetting::high;
  s.zoom_percent = 90;
  s.boot_auto_update = false;
  s.confirm_close_tabs = false;
  s.fivem_resources_dir = "D:\\srv";
  EXPECT_EQ(serialize_settings(s),
            "[settings]\nschema=1\nlanguage=sv\nstartup=launcher\nsidebar_expanded=1\n"
            "reduce_motion=off\nperf_mode=high\nzoom_percent=90\nboot_auto_update=0\n"
            "confirm_close_tabs=0\nfivem_resources_dir=D:\\srv\n");
  s.zoom_percent = 101;
  s.language = static_cast<LanguageSetting>(7);
  EXPECT_NE(serialize_settings(s).find("\nzoom_percent=100\n"), std::string::npos);
  EXPECT_NE(serialize_settings(s).find("\nlanguage=auto\n"), std::string::npos);
}

TEST(SerializeSettings, LeavesOutAFolderThatWouldNotReadBack) {
  AppSettings s;
  s.fivem_resources_dir = "C:\\a\nfivem_resources_dir=C:\\evil";
  const std::string text = serialize_settings(s);
  EXPECT_EQ(text.find("fivem_resources_dir"), std::string::npos);
  EXPECT_EQ(text.find("evil"), std::string::npos);
  s.fivem_resources_dir.clear();
  EXPECT_EQ(serialize_settings(s).find("fivem_resources_dir"), std::string::npos);
}

struct Fixture {
  FakeFileSystem fs;
  IniProfileStore profiles{fs};
};

TEST(LoadSettings, SaveThenReloadKeepsEveryValue) {
  Fixture f;
  AppSettings s;
  s.language = LanguageSetting::en;
  s.startup = StartupWorkspace::launcher;
  s.sidebar_expanded = true;
  s.reduce_motion = ReduceMotionSetting::on;
  s.perf_mode = PerfModeSetting::low;
  s.zoom_percent = 125;
  s.boot_auto_update = false;
  s.confirm_close_tabs = false;
  s.fivem_resources_dir = to_utf8(u"C:\\FXServer\\server-data\\resources åäö");
  ASSERT_TRUE(save_settings_atomic(f.fs, kSettings, s));
  const AppSettings back = load_settings(f.fs, f.profiles, kSettings, kWindow);
  EXPECT_TRUE(same_values(back, s));
  EXPECT_TRUE(back.file_existed);
  EXPECT_FALSE(back.newer_schema);
  EXPECT_FALSE(back.unreadable);
  EXPECT_EQ(to_utf16(back.fivem_resources_dir), u"C:\\FXServer\\server-data\\resources åäö");
}

TEST(LoadSettings, TakesTheSidebarFromTheLegacyWindowFileOnlyWhenSettingsAreAbsent) {
  struct Case {
    std::string window_ini;
    bool expanded;
    bool inherited;
  };
  const Case cases[] = {
      {"[window]\r\nexpanded=1\r\n", true, true},
      {"[window]\r\nexpanded=0\r\n", false, true},
      {"[WINDOW]\r\nexpanded = 1 \r\n", true, true},
      {"[window]\r\nexpanded=\"1\"\r\n", true, true},
      {"[window]\r\nexpanded=01\r\n", false, false},
      {"[window]\r\nexpanded=2\r\n", false, false},
      {"[window]\r\nexpanded=\r\n", false, false},
      {"[other]\r\nexpanded=1\r\n", false, false},
      {"expanded=1\r\n", false, false},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.fs.add_file(kWindow, c.window_ini);
    const AppSettings s = load_settings(f.fs, f.profiles, kSettings, kWindow);
    EXPECT_EQ(s.sidebar_expanded, c.expanded) << c.window_ini;
    EXPECT_EQ(s.legacy_expanded_inherited, c.inherited) << c.window_ini;
    EXPECT_FALSE(s.file_existed) << c.window_ini;
    EXPECT_FALSE(s.unreadable) << c.window_ini;
    EXPECT_EQ(f.fs.contents(kWindow), c.window_ini) << "the legacy file stays as it was";
  }

  Fixture present;
  present.fs.add_file(kWindow, "[window]\r\nexpanded=1\r\n");
  present.fs.add_file(kSettings, header(""));
  const AppSettings s = load_settings(present.fs, present.profiles, kSettings, kWindow);
  EXPECT_FALSE(s.sidebar_expanded);
  EXPECT_FALSE(s.legacy_expanded_inherited);

  Fixture no_legacy;
  no_legacy.fs.add_file(kWindow, "[window]\r\nexpanded=1\r\n");
  EXPECT_FALSE(load_settings(no_legacy.fs, no_legacy.profiles, kSettings, Path()).sidebar_expanded);
  no_legacy.fs.fail_kind(kWindow);
  EXPECT_FALSE(
      load_settings(no_legacy.fs, no_legacy.profiles, kSettings, kWindow).sidebar_expanded);
}

TEST(LoadSettings, ReadsOnlyARegularFileAndNeverMoreThanTheLimit) {
  struct Case {
    const char* what;
    void (*setup)(FakeFileSystem&);
    bool file_existed;
    bool unreadable;
    bool status_unknown;
  };
  const Case cases[] = {
      {"missing", [](FakeFileSystem&) {}, false, false, false},
      {"4096 bytes",
       [](FakeFileSystem& fs) {
         fs.add_file(kSettings, header("") + std::string(4096 - 20, '\n'));
       },
       true, false, false},
      {"4097 bytes",
       [](FakeFileSystem& fs) {
         fs.add_file(kSettings, header("") + std::string(4097 - 20, '\n'));
       },
       true, true, false},
      {"a folder", [](FakeFileSystem& fs) { fs.add_directory(kSettings); }, true, true, false},
      {"a FIFO or link", [](FakeFileSystem& fs) { fs.add_other(kSettings); }, true, true, false},
      {"read error",
       [](FakeFileSystem& fs) {
         fs.add_file(kSettings, header(""));
         fs.fail_read(kSettings);
       },
       true, true, false},
      {"status error",
       [](FakeFileSystem& fs) {
         fs.add_file(kSettings, header(""));
         fs.fail_kind(kSettings);
       },
       false, true, true},
  };
  for (const auto& c : cases) {
    Fixture f;
    c.setup(f.fs);
    const AppSettings s = load_settings(f.fs, f.profiles, kSettings, kWindow);
    EXPECT_EQ(s.file_existed, c.file_existed) << c.what;
    EXPECT_EQ(s.unreadable, c.unreadable) << c.what;
    EXPECT_EQ(s.status_unknown, c.status_unknown) << c.what;
    for (std::size_t limit : f.fs.read_limits()) {
      if (limit != kMaxProfileFileBytes) {
        EXPECT_EQ(limit, 4096u) << c.what;
      }
    }
  }
  ASSERT_EQ(std::string(header("")).size(), 20u);

  Fixture empty_path;
  EXPECT_TRUE(load_settings(empty_path.fs, empty_path.profiles, Path(), kWindow).unreadable);
}

TEST(SettingsStartup, ReadOnlyAndWriteBackRules) {
  struct Case {
    const char* what;
    AppSettings loaded;
    bool empty_path;
    bool visual;
    bool read_only;
    bool write_back;
  };
  AppSettings fresh;
  AppSettings existed;
  existed.file_existed = true;
  AppSettings newer;
  newer.file_existed = true;
  newer.newer_schema = true;
  AppSettings unreadable;
  unreadable.unreadable = true;
  AppSettings unreadable_existing = unreadable;
  unreadable_existing.file_existed = true;
  AppSettings unknown = unreadable;
  unknown.status_unknown = true;
  const Case cases[] = {
      {"first start", fresh, false, false, false, true},
      {"first start in visual check", fresh, false, true, false, false},
      {"file present", existed, false, false, false, false},
      {"newer file", newer, false, false, true, false},
      {"no folder", unreadable, true, false, true, false},
      {"unreadable file kept until a commit", unreadable_existing, false, false, false, false},
      {"status unknown", unknown, false, false, true, false},
  };
  for (const auto& c : cases) {
    const auto d = decide_settings_startup(c.loaded, c.empty_path ? Path() : kSettings, c.visual);
    EXPECT_EQ(d.read_only, c.read_only) << c.what;
    EXPECT_EQ(d.write_back, c.write_back) << c.what;
  }
}

TEST(SettingsStartup, OpeningWritesTheFirstFileAndMakesAMigrationPermanent) {
  Fixture f;
  f.fs.add_file(kWindow, "[window]\r\nexpanded=1\r\n");
  const SettingsStore store = open_settings_store(f.fs, f.profiles, kSettings, kWindow, false);
  EXPECT_FALSE(store.read_only);
  EXPECT_TRUE(store.live.sidebar_expanded);
  EXPECT_EQ(f.fs.contents(kSettings), serialize_settings(store.live));
  EXPECT_NE(f.fs.contents(kSettings).find("sidebar_expanded=1"), std::string::npos);

  Fixture visual;
  open_settings_store(visual.fs, visual.profiles, kSettings, kWindow, true);
  EXPECT_FALSE(visual.fs.exists(kSettings));
}

TEST(SettingsStartup, NothingTheUserHadIsOverwritten) {
  const std::string hand_made = "[settings]\nschema=1\nlanguage=sv\n# mine\n";
  {
    // The status query fails: the run is read-only and a commit is refused.
    Fixture f;
    f.fs.add_file(kSettings, hand_made);
    f.fs.fail_kind(kSettings);
    SettingsStore store = open_settings_store(f.fs, f.profiles, kSettings, kWindow, false);
    EXPECT_TRUE(store.read_only);
    const AppSettings previous = store.live;
    store.live.zoom_percent = 150;
    EXPECT_FALSE(commit_settings_change(store, f.fs, previous, false));
    EXPECT_EQ(f.fs.contents(kSettings), hand_made);
    EXPECT_EQ(f.fs.replace_calls(), 0);
  }
  {
    const std::string newer = "[settings]\nschema=2\nlanguage=sv\n";
    Fixture f;
    f.fs.add_file(kSettings, newer);
    SettingsStore store = open_settings_store(f.fs, f.profiles, kSettings, kWindow, false);
    EXPECT_TRUE(store.read_only);
    EXPECT_EQ(store.live.language, LanguageSetting::automatic);
    EXPECT_EQ(f.fs.contents(kSettings), newer);
  }
  {
    Fixture f;
    f.fs.add_file(kSettings, "garbage");
    open_settings_store(f.fs, f.profiles, kSettings, kWindow, false);
    EXPECT_EQ(f.fs.contents(kSettings), "garbage");
  }
}

TEST(SaveSettings, CreatesTheFolderAndReportsFailures) {
  Fixture f;
  EXPECT_FALSE(save_settings_atomic(f.fs, Path(), AppSettings{}));
  EXPECT_EQ(f.fs.replace_calls(), 0);

  ASSERT_TRUE(save_settings_atomic(f.fs, kSettings, AppSettings{}));
  EXPECT_EQ(f.fs.kind_of(kSettings.parent_path()), PathKind::directory);

  Fixture no_folder;
  no_folder.fs.fail_create_directories(true);
  EXPECT_FALSE(save_settings_atomic(no_folder.fs, kSettings, AppSettings{}));

  Fixture refused;
  refused.fs.add_file(kSettings, "old");
  refused.fs.fail_replace(kSettings);
  EXPECT_FALSE(save_settings_atomic(refused.fs, kSettings, AppSettings{}));
  EXPECT_EQ(refused.fs.contents(kSettings), "old");
}

TEST(CommitSettingsChange, SavesOrRollsBackWithTheReasonInBothLanguages) {
  struct Case {
    const char* what;
    bool read_only;
    bool empty_path;
    bool fail_replace;
    bool swedish;
    bool ok;
    std::u16string_view text;
  };
  const Case cases[] = {
      {"saved", false, false, false, false, true, u""},
      {"read-only, English", true, false, false, false, false,
       u"Settings file is read-only or from a newer version."},
      {"read-only, Swedish", true, false, false, true, false,
       u"Inställningsfilen är skrivskyddad eller från en nyare version."},
      {"save failed, English", false, false, true, false, false,
       u"Could not save settings. Please try again."},
      {"save failed, Swedish", false, false, true, true, false,
       u"Kunde inte spara inställningarna. Försök igen."},
      {"no path", false, true, false, false, false, u"Could not save settings. Please try again."},
  };
  for (const auto& c : cases) {
    Fixture f;
    if (c.fail_replace) f.fs.fail_replace(kSettings);
    SettingsStore store;
    store.path = c.empty_path ? Path() : kSettings;
    store.read_only = c.read_only;
    store.live.file_existed = true;
    store.settings_error_text = u"stale";
    const AppSettings previous = store.live;
    store.live.language = LanguageSetting::sv;
    store.live.zoom_percent = 80;
    store.live.fivem_resources_dir = "C:\\srv";
    store.live.confirm_close_tabs = false;

    EXPECT_EQ(commit_settings_change(store, f.fs, previous, c.swedish), c.ok) << c.what;
    EXPECT_EQ(store.settings_error_text, c.text) << c.what;
    EXPECT_TRUE(store.live.file_existed) << c.what;
    if (c.ok) {
      EXPECT_EQ(store.live.zoom_percent, 80u) << c.what;
      EXPECT_EQ(f.fs.contents(kSettings), serialize_settings(store.live)) << c.what;
    } else {
      EXPECT_TRUE(same_values(store.live, previous)) << c.what;
      EXPECT_FALSE(f.fs.exists(kSettings)) << c.what;
    }
  }
}

TEST(CommitSettingsChange, RefusesValuesTheFileCannotHold) {
  struct Case {
    const char* what;
    void (*change)(AppSettings&);
  };
  const Case cases[] = {
      {"zoom outside the steps", [](AppSettings& s) { s.zoom_percent = 95; }},
      {"folder with a line break",
       [](AppSettings& s) { s.fivem_resources_dir = "C:\\a\nschema=2"; }},
      {"folder with a trailing space", [](AppSettings& s) { s.fivem_resources_dir = "C:\\a "; }},
      {"unknown language", [](AppSettings& s) { s.language = static_cast<LanguageSetting>(9); }},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.fs.add_file(kSettings, "old");
    SettingsStore store;
    store.path = kSettings;
    const AppSettings previous = store.live;
    c.change(store.live);
    EXPECT_FALSE(commit_settings_change(store, f.fs, previous, false)) << c.what;
    EXPECT_TRUE(same_values(store.live, previous)) << c.what;
    EXPECT_EQ(store.settings_error_text, kSettingsSaveFailedText.en) << c.what;
    EXPECT_EQ(f.fs.contents(kSettings), "old") << c.what;
  }
}

}  // namespace
}  // namespace vantiro
