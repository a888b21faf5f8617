#include "fivem/validation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf.h"

namespace vantiro {
namespace {

TEST(FiveMResourceName, AcceptsOnlyNameCharactersUpTo64AndNoDevice) {
  struct Case {
    std::u16string name;
    bool valid;
  };
  const Case cases[] = {
      {u"a", true},          {std::u16string(64, u'x'), true},
      {u"console", true},    {u"com10", true},
      {u"com0", true},       {u"my-car_2", true},
      {u"", false},          {u".", false},
      {u"..", false},        {u"CON", false},
      {u"nul", false},       {u"Aux", false},
      {u"PRN", false},       {u"COM1", false},
      {u"lpt9", false},      {std::u16string(65, u'x'), false},
      {u"my car", false},    {u"a/b", false},
      {u"a\\b", false},      {u"bil.v2", false},
      {u"bil\u00e5", false}, {u"C:", false},
      {u"a+b", false},       {std::u16string(u"x\0", 2), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_valid_fivem_resource_name(c.name), c.valid) << to_utf8(c.name);
}

TEST(FiveMReservedDeviceName, StemBeforeFirstDotDecides) {
  struct Case {
    std::u16string_view segment;
    bool reserved;
  };
  const Case cases[] = {
      {u"con", true},      {u"CON.ytd", true},  {u"nul.tar.lua", true}, {u"Com9", true},
      {u"LPT1.txt", true}, {u"aux", true},      {u"com0", false},       {u"lpt0", false},
      {u"com10", false},   {u"console", false}, {u"cons", false},       {u"xcon", false},
      {u"com", false},     {u"comA", false},    {u"", false},           {u"a.con", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_reserved_device_name(c.segment), c.reserved) << to_utf8(c.segment);
}

TEST(FiveMRelativePath, AcceptsShortAllowListedPathsOnly) {
  struct Case {
    std::u16string path;
    bool valid;
  };
  const Case cases[] = {
      {u"fxmanifest.lua", true},
      {u"stream/car.yft", true},
      {u"stream/test.ytd", true},
      {u"data/vehicles.meta", true},
      {u"stream/a/b/car_hi.YFT", true},
      {u"audio/sfx/car.awc", true},
      {u"client.lua", true},
      {u"html/logo.png", true},
      {u"stream/x.fxap", true},
      {u"stream/car.lod.ytd", true},
      {u"a+b/c-d_e.json", true},
      {std::u16string(176, u'a') + u".lua", true},
      {u"x.ymt", true},
      {u"x.ydd", true},
      {u"x.ydr", true},
      {u"x.ybn", true},
      {u"x.ymap", true},
      {u"x.ytyp", true},
      {u"x.rel", true},
      {u"x.dat", true},
      {u"x.txt", true},
      {u"../evil.lua", false},
      {u"stream/../../evil.lua", false},
      {u"./fxmanifest.lua", false},
      {u"a\\b.lua", false},
      {u"C:/x.lua", false},
      {u"/abs.lua", false},
      {u"stream//car.yft", false},
      {u"stream/", false},
      {u"stream/bad.exe", false},
      {u"run.ps1", false},
      {u"x.bat", false},
      {u".bat", false},
      {u"a.cmd", false},
      {u"a.dll", false},
      {u"a.vbs", false},
      {u"a.scr", false},
      {u"a.msi", false},
      {u"a.lnk", false},
      {u"a/b/c/d/e.lua", false},
      {u"a/b/c/d.lua", true},
      {u"stream/CON.ytd", false},
      {u"con/x.lua", false},
      {u"evil.lua.", false},
      {u"evil.lua:stream", false},
      {u"FXMANI~1.LUA", false},
      {u"noext", false},
      {u"my file.lua", false},
      {u"", false},
      {u".hidden/x.lua", false},
      {u"dir./x.lua", false},
      {u"x.luax", false},
      {u"x.", false},
      {u"caf\u00e9.lua", false},
      {std::u16string(177, u'a') + u".lua", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_valid_fivem_relative_path(c.path), c.valid) << to_utf8(c.path);
}

TEST(FiveMManifestAndDuplicates, FoldOnlyAsciiCaseOverTheWholePath) {
  EXPECT_TRUE(is_fivem_manifest_path(u"fxmanifest.lua"));
  EXPECT_TRUE(is_fivem_manifest_path(u"FXMANIFEST.LUA"));
  EXPECT_FALSE(is_fivem_manifest_path(u"stream/fxmanifest.lua"));
  EXPECT_FALSE(is_fivem_manifest_path(u"fxmanifest.lua2"));
  EXPECT_TRUE(same_fivem_path(u"fxmanifest.lua", u"FXMANIFEST.LUA"));
  EXPECT_TRUE(same_fivem_path(u"Stream/Car.ytd", u"stream/car.YTD"));
  EXPECT_FALSE(same_fivem_path(u"stream/car.ytd", u"stream/car.ytd2"));
  EXPECT_FALSE(same_fivem_path(u"\u00c5.lua", u"\u00e5.lua"));  // not ASCII
}

TEST(FiveMPathConflict, APathThatIsAFolderOfAnotherConflicts) {
  struct Case {
    std::u16string_view a, b;
    bool conflict;
  };
  const Case cases[] = {
      {u"x.lua", u"x.lua/y.lua", true},
      {u"X.LUA", u"x.lua/y.lua", true},
      {u"a/b.txt", u"a/b.txt/c/d.lua", true},
      {u"x.lua/y.lua", u"x.lua", true},
      {u"x.lua", u"x.lua", true},
      {u"x.lua", u"x.luab/y.lua", false},
      {u"x.lua", u"y/x.lua", false},
      {u"a/x.lua", u"a/y.lua", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fivem_paths_conflict(c.a, c.b), c.conflict) << to_utf8(c.a) << " " << to_utf8(c.b);
}

TEST(FiveMContainment, ComparesNormalizedElementsStrictly) {
  struct Case {
    std::u16string_view root, candidate;
    PathStyle style;
    bool inside;
  };
  const auto W = PathStyle::windows;
  const auto P = PathStyle::posix;
  const Case cases[] = {
      {u"C:\\FX\\resources\\car", u"c:\\fx\\Resources\\car\\stream\\a.ytd", W, true},
      {u"C:\\FX\\resources\\car", u"C:\\FX\\resources\\car", W, false},
      {u"C:\\FX\\resources\\car", u"C:\\FX\\resources\\car\\", W, false},
      {u"C:\\FX\\resources\\car", u"C:\\FX\\resources\\car2\\a.lua", W, false},
      {u"C:\\FX\\resources\\car", u"C:\\FX\\resources\\car\\..\\x.lua", W, false},
      {u"C:\\FX\\resources\\car", u"C:/FX//resources/./car/x.lua", W, true},
      {u"C:\\FX\\resources\\car\\", u"C:\\FX\\resources\\car\\x.lua", W, true},
      {u"C:\\FX\\resources\\car", u"D:\\FX\\resources\\car\\x.lua", W, false},
      {u"C:\\FX\\resources\\car", u"\\FX\\resources\\car\\x.lua", W, false},
      {u"C:\\", u"C:\\..\\..\\x.lua", W, true},
      {u"C:\\a", u"C:\\a\\b\\..\\..\\..\\a\\x", W, true},
      {u"\\\\srv\\share", u"\\\\SRV\\share\\x.lua", W, true},
      {u"C:\\\u00c5rt", u"c:\\\u00e5rt\\x.lua", W, true},
      {u"", u"C:\\x", W, false},
      {u"/srv/fx/car", u"/srv/fx/car/stream/a.ytd", P, true},
      {u"/srv/fx/car", u"/srv/fx/Car/stream/a.ytd", P, false},
      {u"/srv/fx/car", u"/srv/fx/car", P, false},
      {u"/srv/fx/car", u"/srv/fx/car2/a.lua", P, false},
      {u"/srv/fx/car", u"/srv/fx/car/../x.lua", P, false},
      {u"/srv/fx/car", u"/srv/fx/car\\x.lua", P, false},  // a backslash is part of a name
      {u"/srv/fx", u"//srv///fx/./a", P, true},
      {u"/", u"/../a", P, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_strictly_inside(c.root, c.candidate, c.style), c.inside)
        << to_utf8(c.root) << " | " << to_utf8(c.candidate);
}

TEST(FiveMFolderPaths, AbsolutenessAndLastComponentFollowTheHostStyle) {
  const auto W = PathStyle::windows;
  const auto P = PathStyle::posix;
  EXPECT_TRUE(is_absolute_fivem_folder(u"C:\\FX", W));
  EXPECT_TRUE(is_absolute_fivem_folder(u"c:/FX", W));
  EXPECT_TRUE(is_absolute_fivem_folder(u"\\\\srv\\share", W));
  EXPECT_FALSE(is_absolute_fivem_folder(u"relative\\resources", W));
  EXPECT_FALSE(is_absolute_fivem_folder(u"C:relative", W));
  EXPECT_FALSE(is_absolute_fivem_folder(u"\\rooted", W));
  EXPECT_FALSE(is_absolute_fivem_folder(u"", W));
  EXPECT_TRUE(is_absolute_fivem_folder(u"/srv/fx", P));
  EXPECT_FALSE(is_absolute_fivem_folder(u"srv/fx", P));
  EXPECT_FALSE(is_absolute_fivem_folder(u"C:\\FX", P));

  EXPECT_EQ(last_path_component(u"C:\\FXServer\\server-data\\resources \u00e5\u00e4\u00f6", W),
            u"resources \u00e5\u00e4\u00f6");
  EXPECT_EQ(last_path_component(u"C:\\", W), u"C:\\");
  EXPECT_EQ(last_path_component(u"C:\\a\\", W), u"C:\\a\\");
  EXPECT_EQ(last_path_component(u"C:\\a\\b\\..", W), u"C:\\a\\b\\..");
  EXPECT_EQ(last_path_component(u"C:\\a\\b\\.\\c", W), u"c");
  EXPECT_EQ(last_path_component(u"/srv/fx/resources", P), u"resources");
  EXPECT_EQ(last_path_component(u"/", P), u"/");
  EXPECT_EQ(normalize_fivem_path(u"C:/a//b/./c/../d", W), u"C:\\a\\b\\d");
  EXPECT_EQ(normalize_fivem_path(u"/a/../../b", P), u"/b");
  EXPECT_EQ(normalize_fivem_path(u"../a", P), u"../a");
}

std::vector<FiveMFile> files_of(std::initializer_list<std::pair<std::u16string, std::size_t>> l) {
  std::vector<FiveMFile> out;
  for (const auto& [path, size] : l) out.push_back({path, std::string(size, 'z')});
  return out;
}

TEST(FiveMRequestCheck, FirstFailureInTheWrittenOrderDecides) {
  struct Case {
    std::string label;
    std::u16string name;
    std::vector<FiveMFile> files;
    FiveMError expected;
  };
  std::vector<FiveMFile> many;
  for (int i = 0; i < 65; ++i) {
    std::u16string path(u"f");
    path += to_utf16(std::to_string(i));
    path += u".lua";
    many.push_back({std::move(path), ""});
  }
  std::vector<FiveMFile> sixty_four(many.begin(), many.begin() + 63);
  sixty_four.push_back({u"fxmanifest.lua", ""});
  const Case cases[] = {
      {"ok", u"car", files_of({{u"fxmanifest.lua", 3}, {u"stream/a.ytd", 5}}), FiveMError::none},
      {"bad name before empty list", u"CON", {}, FiveMError::invalid_resource_name},
      {"empty list", u"car", {}, FiveMError::no_files},
      {"65 files before paths", u"car", many, FiveMError::too_many_files},
      {"64 files", u"car", sixty_four, FiveMError::none},
      {"bad path", u"car", files_of({{u"fxmanifest.lua", 1}, {u"../evil.lua", 1}}),
       FiveMError::invalid_path},
      {"exactly 64 MiB", u"car",
       files_of({{u"fxmanifest.lua", 10}, {u"stream/big.ytd", 67'108'854}}), FiveMError::none},
      {"one byte over", u"car",
       files_of({{u"fxmanifest.lua", 10}, {u"stream/big.ytd", 67'108'855}}), FiveMError::too_large},
      {"manifest plus a 64 MiB file", u"car",
       files_of({{u"fxmanifest.lua", 1}, {u"stream/big.ytd", 67'108'864}}), FiveMError::too_large},
      {"size decided before a later bad path", u"car",
       files_of({{u"fxmanifest.lua", 67'108'865}, {u"x.exe", 1}}), FiveMError::too_large},
      {"duplicate ignoring case", u"car",
       files_of({{u"fxmanifest.lua", 1}, {u"FXMANIFEST.LUA", 1}}), FiveMError::duplicate_path},
      {"upper-case manifest alone", u"car", files_of({{u"FXMANIFEST.LUA", 1}}), FiveMError::none},
      {"file then folder of that name", u"car",
       files_of({{u"fxmanifest.lua", 1}, {u"x.lua", 1}, {u"X.lua/y.lua", 1}}),
       FiveMError::path_conflict},
      {"folder then file of that name", u"car",
       files_of({{u"fxmanifest.lua", 1}, {u"a.txt/b/c.lua", 1}, {u"a.txt/b", 1}}),
       FiveMError::invalid_path},  // "b" has no extension, so it is refused first
      {"folder then file, both valid", u"car",
       files_of({{u"fxmanifest.lua", 1}, {u"a.txt/c.lua", 1}, {u"a.txt", 1}}),
       FiveMError::path_conflict},
      {"manifest inside a folder only", u"car", files_of({{u"stream/fxmanifest.lua", 1}}),
       FiveMError::missing_manifest},
  };
  for (const auto& c : cases)
    EXPECT_EQ(code(check_fivem_request(c.name, c.files)), code(c.expected)) << c.label;
}

}  // namespace
}  // namespace vantiro
