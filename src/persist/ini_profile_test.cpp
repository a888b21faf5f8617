#include "persist/ini_profile.h"

#include <gtest/gtest.h>

#include "common/fake_file_system.h"
#include "common/utf.h"
#include "persist/profile_store_cases.h"

namespace vantiro {
namespace {

const Path kIni = Path(u"/data/Vantiro/window.ini");

TEST(IniProfileStore, ReadsIntegersLikeTheSystemProfileReader) {
  FakeFileSystem fs;
  fs.add_file(kIni, profile_cases::kFile);
  IniProfileStore store(fs);
  for (const auto& c : profile_cases::kIntCases) {
    EXPECT_EQ(store.read_int(kIni, c.section, c.key, -99), c.expected)
        << "[" << to_utf8(c.section) << "] " << to_utf8(c.key);
  }
}

TEST(IniProfileStore, ReadsStringsLikeTheSystemProfileReader) {
  FakeFileSystem fs;
  fs.add_file(kIni, profile_cases::kFile);
  IniProfileStore store(fs);
  for (const auto& c : profile_cases::kStringCases) {
    EXPECT_EQ(store.read_string(kIni, u"window", c.key, u"dflt  ", c.max_length), c.expected)
        << to_utf8(c.key) << " max " << c.max_length;
  }
}

TEST(IniProfileStore, UnreadableFilesGiveTheDefault) {
  FakeFileSystem fs;
  fs.add_directory(Path(u"/data/dir.ini"));
  fs.add_file(Path(u"/data/big.ini"), "[window]\nx=1\n" + std::string(kMaxProfileFileBytes, ' '));
  fs.add_file(Path(u"/data/broken.ini"), "[window]\nx=1\n");
  fs.fail_read(Path(u"/data/broken.ini"));
  IniProfileStore store(fs);
  for (const char16_t* p :
       {u"/data/missing.ini", u"/data/dir.ini", u"/data/big.ini", u"/data/broken.ini"}) {
    EXPECT_EQ(store.read_int(Path(p), u"window", u"x", 7), 7) << to_utf8(p);
    EXPECT_EQ(store.read_string(Path(p), u"window", u"x", u"d", 15), u"d") << to_utf8(p);
  }
}

TEST(IniProfileStore, ValueTextConversionTable) {
  struct Case {
    std::u16string_view text;
    std::int32_t expected;
  };
  const Case cases[] = {{u"0", 0},
                        {u"65536", 65536},
                        {u"-65537", -65537},
                        {u"2147483647", INT32_MAX},
                        {u"0xffffffff", -1},
                        {u"  \t3", 3},
                        {u"0b", 0},
                        {u"0b2", 0},
                        {u"0o8", 0},
                        {u"1e3", 1},
                        {u"٣", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(profile_value_to_int(c.text), c.expected) << to_utf8(c.text);
  }
}

TEST(IniProfileStore, WritingOneKeyKeepsEverythingElse) {
  FakeFileSystem fs;
  const std::string before =
      "; hand-written\r\n"
      "[other]\r\n"
      "x=1\r\n"
      "\r\n"
      "[Window]\r\n"
      "  X = 5 ; note\r\n"
      "y=6\r\n"
      "\r\n"
      "[window]\r\n"
      "x=9\r\n";
  fs.add_file(kIni, before);
  IniProfileStore store(fs);
  ASSERT_TRUE(store.write_string(kIni, u"window", u"x", u"-12"));
  EXPECT_EQ(fs.contents(kIni),
            "; hand-written\r\n"
            "[other]\r\n"
            "x=1\r\n"
            "\r\n"
            "[Window]\r\n"
            "  X=-12\r\n"
            "y=6\r\n"
            "\r\n"
            "[window]\r\n"
            "x=9\r\n");
  ASSERT_TRUE(store.write_string(kIni, u"WINDOW", u"schema", u"2"));
  ASSERT_TRUE(store.write_string(kIni, u"new", u"k", u"v"));
  EXPECT_EQ(fs.contents(kIni),
            "; hand-written\r\n"
            "[other]\r\n"
            "x=1\r\n"
            "\r\n"
            "[Window]\r\n"
            "  X=-12\r\n"
            "y=6\r\n"
            "schema=2\r\n"
            "\r\n"
            "[window]\r\n"
            "x=9\r\n"
            "[new]\r\n"
            "k=v\r\n");
  EXPECT_EQ(store.read_int(kIni, u"window", u"x", 0), -12);
  EXPECT_EQ(store.read_int(kIni, u"window", u"schema", 0), 2);
  EXPECT_EQ(store.read_int(kIni, u"other", u"x", 0), 1);
}

TEST(IniProfileStore, CreatesAFileWithWindowsLineBreaks) {
  FakeFileSystem fs;
  fs.add_directory(kIni.parent_path());
  IniProfileStore store(fs);
  ASSERT_TRUE(store.write_string(kIni, u"window", u"x", u"-5"));
  ASSERT_TRUE(store.write_string(kIni, u"window", u"y", u"6"));
  EXPECT_EQ(fs.contents(kIni), "[window]\r\nx=-5\r\ny=6\r\n");
}

TEST(IniProfileStore, KeepsLineBreaksAndAnOpenLastLine) {
  FakeFileSystem fs;
  fs.add_file(kIni, "[window]\nx=1");
  IniProfileStore store(fs);
  ASSERT_TRUE(store.write_string(kIni, u"window", u"y", u"2"));
  EXPECT_EQ(fs.contents(kIni), "[window]\nx=1\ny=2\n");
  fs.add_file(kIni, "[window]");
  ASSERT_TRUE(store.write_string(kIni, u"window", u"y", u"2"));
  EXPECT_EQ(fs.contents(kIni), "[window]\r\ny=2\r\n");
  fs.add_file(kIni, "a=1");
  ASSERT_TRUE(store.write_string(kIni, u"window", u"y", u"2"));
  EXPECT_EQ(fs.contents(kIni), "a=1\r\n[window]\r\ny=2\r\n");
}

TEST(IniProfileStore, KeepsTheEncodingAndForeignBytes) {
  FakeFileSystem fs;
  IniProfileStore store(fs);
  // Not UTF-8 (a Latin-1 "å"): the byte survives a write elsewhere in the file.
  fs.add_file(kIni, "\xEF\xBB\xBF[window]\r\nname=\xE5\r\nx=1\r\n");
  ASSERT_TRUE(store.write_string(kIni, u"window", u"x", u"2"));
  EXPECT_EQ(fs.contents(kIni), "\xEF\xBB\xBF[window]\r\nname=\xE5\r\nx=2\r\n");

  // UTF-16LE with its mark, with a key outside ASCII.
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : std::u16string(u"[fönster]\r\nnyckel=å\r\n")) {
    utf16.push_back(static_cast<char>(u & 0xFF));
    utf16.push_back(static_cast<char>(u >> 8));
  }
  fs.add_file(kIni, utf16);
  EXPECT_EQ(store.read_string(kIni, u"fönster", u"nyckel", u"", 15), u"å");
  ASSERT_TRUE(store.write_string(kIni, u"fönster", u"x", u"ö"));
  EXPECT_EQ(fs.contents(kIni).substr(0, utf16.size()), utf16);
  EXPECT_EQ(store.read_string(kIni, u"fönster", u"x", u"", 15), u"ö");

  // UTF-8 text outside ASCII reads back as the same text.
  fs.add_file(kIni, "[w]\nk=\xC3\xA5\xC3\xA4\xC3\xB6\n");
  EXPECT_EQ(store.read_string(kIni, u"w", u"k", u"", 15), u"åäö");
  EXPECT_EQ(store.read_string(kIni, u"w", u"k", u"", 2), u"åä");
}

TEST(IniProfileStore, RefusesWritesItCannotMakeSafely) {
  FakeFileSystem fs;
  const std::string big = "[window]\n" + std::string(kMaxProfileFileBytes, ';');
  fs.add_file(kIni, big);
  IniProfileStore store(fs);
  EXPECT_FALSE(store.write_string(kIni, u"window", u"x", u"1"));
  EXPECT_EQ(fs.contents(kIni), big);

  fs.add_file(kIni, "[window]\nx=1\n");
  fs.fail_read(kIni);
  EXPECT_FALSE(store.write_string(kIni, u"window", u"x", u"2"));
  EXPECT_EQ(fs.contents(kIni), "[window]\nx=1\n");

  FakeFileSystem fresh;
  IniProfileStore fresh_store(fresh);
  EXPECT_FALSE(fresh_store.write_string(Path(u"/nofolder/w.ini"), u"window", u"x", u"1"));

  fs.add_file(Path(u"/data/ok.ini"), "");
  for (auto [section, key, value] :
       {std::tuple{u"window", u"a=b", u"1"}, std::tuple{u"window", u"", u"1"},
        std::tuple{u"window", u"[x", u"1"}, std::tuple{u"window", u"k", u"1\r\nschema=9"},
        std::tuple{u"win]dow", u"k", u"1"}, std::tuple{u"win\ndow", u"k", u"1"}}) {
    EXPECT_FALSE(store.write_string(Path(u"/data/ok.ini"), section, key, value))
        << to_utf8(section) << " " << to_utf8(key) << " " << to_utf8(value);
  }
  EXPECT_EQ(fs.contents(Path(u"/data/ok.ini")), "");
}

}  // namespace
}  // namespace vantiro
