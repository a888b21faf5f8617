#include "chrome/palette.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf.h"

namespace vantiro {
namespace {

std::vector<std::u16string_view> routes_of(const std::vector<const ToolEntry*>& rows) {
  std::vector<std::u16string_view> out;
  for (const ToolEntry* e : rows) out.push_back(e->route);
  return out;
}

std::vector<std::u16string_view> routes_of_rows(std::initializer_list<int> numbers) {
  std::vector<std::u16string_view> out;
  for (int n : numbers) out.push_back(tool_catalog()[static_cast<std::size_t>(n - 1)].route);
  return out;
}

std::string dump(const std::vector<std::u16string_view>& routes) {
  std::string out;
  for (auto r : routes) out += to_utf8(r) + " ";
  return out;
}

TEST(FilterPalette, KeepsCatalogOrderAndSearchesAllFiveFields) {
  struct Case {
    std::u16string_view query;
    std::vector<std::u16string_view> routes;
  };
  const Case cases[] = {
      // Swedish label first, then the "Fordon" group rows
      {u"fordon", routes_of_rows({2, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23})},
      {u"FORDON", routes_of_rows({2, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23})},
      {u"FoRdOnS", routes_of_rows({2, 15})},
      {u"b\u00E5t", routes_of_rows({16})},
      {u"B\u00E5t", routes_of_rows({16})},
      {u"B\u00C5T", {}},  // only A to Z fold
      {u"boat", routes_of_rows({16})},
      {u"weapon", routes_of_rows({3, 31, 32})},
      {u"ped", routes_of_rows({1, 24, 25, 26, 27, 28, 29, 30, 40})},
      {u"ped-check", routes_of_rows({40})},
      {u"?tool=", routes_of_rows({19})},
      {u"app:", routes_of_rows({42, 43, 44, 45, 46})},
      {u"spr\u00E5k", routes_of_rows({42, 46})},
      {u"&", routes_of_rows({11, 24, 25, 26, 27, 28, 29, 30, 33, 34, 35, 36, 37, 38, 39, 40, 41})},
      {u"ai", routes_of_rows({5, 27})},  // "/tools/chain" by its route
      {u"nonexistent query", {}},
      {u"mina", routes_of_rows({7})},
  };
  for (const auto& c : cases) {
    const auto got = routes_of(filter_palette(c.query));
    EXPECT_EQ(got, c.routes) << to_utf8(c.query) << ": " << dump(got);
  }
}

TEST(FilterPalette, EmptyQueryListsEveryRowInOrder) {
  const auto rows = filter_palette(u"");
  ASSERT_EQ(rows.size(), 46u);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], &tool_catalog()[i]) << i;
}

TEST(FilterPalette, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(fold_palette_text(u"AZaz\u00C5\u00C4\u00D6@[`{"), u"azaz\u00C5\u00C4\u00D6@[`{");
}

PaletteState open_state(std::u16string query = {}) {
  PaletteState s;
  s.palette_open = true;
  s.query = std::move(query);
  return s;
}

TEST(PaletteChar, AppendsPrintableUnitsAndResetsSelectionAndScroll) {
  PaletteState s = open_state(u"ab");
  s.selection = 3;
  s.palette_scroll = 40;
  s.palette_scroll_target = 50;
  EXPECT_TRUE(palette_char(s, u'c'));
  EXPECT_EQ(s.query, u"abc");
  EXPECT_EQ(s.selection, 0);
  EXPECT_EQ(s.palette_scroll, 0);
  EXPECT_EQ(s.palette_scroll_target, 0);
  EXPECT_TRUE(palette_char(s, 0xE5));
  EXPECT_EQ(s.query, u"abc\u00E5");

  for (std::uint32_t unit : {0u, 8u, 9u, 13u, 27u, 31u, 127u, 0x10000u, 0x1F600u}) {
    PaletteState t = open_state(u"x");
    t.selection = 2;
    EXPECT_FALSE(palette_char(t, unit)) << unit;
    EXPECT_EQ(t.query, u"x") << unit;
    EXPECT_EQ(t.selection, 2) << unit;
  }
}

TEST(PaletteChar, StopsAt128UnitsAndNeverEndsOnALoneHighSurrogate) {
  constexpr char16_t kHigh = 0xD83D;
  constexpr char16_t kLow = 0xDE00;
  struct Case {
    const char* name;
    std::size_t filled;  // units of "a" already typed
    std::vector<std::uint32_t> typed;
    std::u16string tail;  // expected end of the query
    std::size_t size;
  };
  const Case cases[] = {
      {"129th character", 128, {u'b'}, u"a", 128},
      {"128th character", 127, {u'b'}, u"ab", 128},
      {"pair that fits exactly", 126, {kHigh, kLow}, {u'a', kHigh, kLow}, 128},
      {"pair with room for one unit", 127, {kHigh, kLow}, u"a", 127},
      {"then a plain character still fits", 127, {kHigh, kLow, u'z'}, u"az", 128},
      {"pair when full", 128, {kHigh, kLow}, u"a", 128},
      {"stray low half", 3, {kLow}, u"a", 3},
      {"high half never completed", 3, {kHigh, u'z'}, u"az", 4},
      {"two high halves", 3, {kHigh, kHigh, kLow}, {u'a', kHigh, kLow}, 5},
  };
  for (const auto& c : cases) {
    PaletteState s = open_state(std::u16string(c.filled, u'a'));
    for (std::uint32_t u : c.typed) palette_char(s, u);
    EXPECT_EQ(s.query.size(), c.size) << c.name;
    ASSERT_GE(s.query.size(), c.tail.size()) << c.name;
    EXPECT_EQ(s.query.substr(s.query.size() - c.tail.size()), c.tail) << c.name;
    EXPECT_LE(s.query.size(), kPaletteQueryMaxUnits) << c.name;
    if (!c.typed.empty() && c.typed.back() != kHigh) {
      EXPECT_TRUE(utf16_to_utf8_strict(s.query).has_value()) << c.name;
    }
  }
}

TEST(PaletteChar, AHalfTypedPairDoesNotEmptyTheResults) {
  PaletteState s = open_state();
  palette_char(s, u'b');
  palette_char(s, u'o');
  palette_char(s, 0xD83D);
  EXPECT_EQ(routes_of(filter_palette(s.query)), routes_of(filter_palette(u"bo")));
  palette_char(s, 0xDE00);
  EXPECT_TRUE(filter_palette(s.query).empty());
}

TEST(PaletteKeys, BackspaceRemovesOneCharacterAndWholePairs) {
  PaletteState s = open_state(u"ab\U0001F600");
  s.selection = 4;
  s.palette_scroll = 72;
  auto r = palette_key(s, vk::kBack, 360);
  EXPECT_TRUE(r.handled);
  EXPECT_TRUE(r.refresh);
  EXPECT_EQ(s.query, u"ab");
  EXPECT_EQ(s.selection, 0);
  EXPECT_EQ(s.palette_scroll, 0);
  palette_key(s, vk::kBack, 360);
  EXPECT_EQ(s.query, u"a");

  s.query = std::u16string(u"a") + char16_t(0xD83D);  // pending high half
  palette_key(s, vk::kBack, 360);
  EXPECT_EQ(s.query, u"a");

  s.query = std::u16string(u"a") + char16_t(0xDE00);  // a lone low half goes alone
  palette_key(s, vk::kBack, 360);
  EXPECT_EQ(s.query, u"a");

  s.query.clear();
  r = palette_key(s, vk::kBack, 360);
  EXPECT_TRUE(r.handled);
  EXPECT_EQ(s.query, u"");
}

TEST(PaletteKeys, UpAndDownClampAndScrollTheSelectionIntoView) {
  PaletteState s = open_state();  // 46 rows
  const float viewport = 3 * kPaletteRowPitch;
  auto r = palette_key(s, vk::kUp, viewport);
  EXPECT_TRUE(r.handled);
  EXPECT_EQ(s.selection, 0);
  EXPECT_EQ(s.palette_scroll, 0);

  for (int i = 0; i < 3; ++i) palette_key(s, vk::kDown, viewport);
  EXPECT_EQ(s.selection, 3);
  EXPECT_EQ(s.palette_scroll, 36);  // row 3 just fits at the bottom
  EXPECT_EQ(s.palette_scroll_target, 36);
  palette_key(s, vk::kUp, viewport);
  palette_key(s, vk::kUp, viewport);
  EXPECT_EQ(s.selection, 1);
  EXPECT_EQ(s.palette_scroll, 36);  // still visible: no move
  palette_key(s, vk::kUp, viewport);
  EXPECT_EQ(s.palette_scroll, 0);

  for (int i = 0; i < 60; ++i) palette_key(s, vk::kDown, viewport);
  EXPECT_EQ(s.selection, 45);
  EXPECT_EQ(s.palette_scroll, 45 * 36 + 36 - viewport);

  PaletteState tiny = open_state();
  palette_key(tiny, vk::kDown, 0);  // a viewport below one row counts as one row
  EXPECT_EQ(tiny.selection, 1);
  EXPECT_EQ(tiny.palette_scroll, 36);

  PaletteState few = open_state(u"weapon");  // three rows
  for (int i = 0; i < 5; ++i) palette_key(few, vk::kDown, 360);
  EXPECT_EQ(few.selection, 2);
  EXPECT_EQ(few.palette_scroll, 0);
}

TEST(PaletteKeys, EnterOpensTheSelectedRowInTheCurrentTab) {
  PaletteState s = open_state(u"weapon");
  palette_key(s, vk::kDown, 360);
  const auto r = palette_key(s, vk::kReturn, 360);
  EXPECT_TRUE(r.handled);
  EXPECT_TRUE(r.close);
  ASSERT_NE(r.open, nullptr);
  EXPECT_EQ(r.open->route, u"/tools/weapon-creator");
  EXPECT_FALSE(r.new_tab);
}

TEST(PaletteKeys, EmptyResultsIgnoreEnterUpAndDown) {
  PaletteState s = open_state(u"nonexistent query");
  s.palette_scroll = 12;
  s.palette_scroll_target = 12;
  for (int key : {vk::kReturn, vk::kUp, vk::kDown}) {
    const auto r = palette_key(s, key, 360);
    EXPECT_TRUE(r.handled) << key;
    EXPECT_FALSE(r.close) << key;
    EXPECT_EQ(r.open, nullptr) << key;
    EXPECT_EQ(s.selection, 0) << key;
    EXPECT_EQ(s.palette_scroll, 12) << key;
    EXPECT_EQ(s.palette_scroll_target, 12) << key;
  }
  EXPECT_EQ(s.query, u"nonexistent query");
}

TEST(PaletteKeys, EscapeClosesAndOtherKeysPassOn) {
  PaletteState s = open_state(u"fo");
  auto r = palette_key(s, vk::kEscape, 360);
  EXPECT_TRUE(r.handled);
  EXPECT_TRUE(r.close);
  EXPECT_EQ(r.open, nullptr);
  for (int key : {0x09, 0x25, 0x27, 0x41, 0x2E, 0x74}) {  // Tab, Left, Right, A, Delete, F5
    r = palette_key(s, key, 360);
    EXPECT_FALSE(r.handled) << key;
    EXPECT_FALSE(r.close) << key;
  }
  EXPECT_EQ(s.query, u"fo");
}

TEST(SetPaletteOpen, OpensWithAFadeUnlessMotionIsReducedAndNeverInFullscreen) {
  PaletteState s;
  s.query = u"left over";
  s.selection = 2;
  auto r = set_palette_open(s, true, false, false);
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(r.close_settings);
  EXPECT_TRUE(r.start_animation);
  EXPECT_TRUE(r.focus_main_window);
  EXPECT_TRUE(s.palette_open);
  EXPECT_EQ(s.palette_progress, 0.0f);
  EXPECT_EQ(s.query, u"");
  EXPECT_EQ(s.selection, 0);

  s.query = u"typed";
  r = set_palette_open(s, true, false, false);  // already open: nothing
  EXPECT_FALSE(r.changed);
  EXPECT_EQ(s.query, u"typed");

  s.palette_progress = 0.4f;
  s.palette_scroll = 30;
  r = set_palette_open(s, false, true, false);  // closing works in fullscreen too
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(r.focus_web_view);
  EXPECT_FALSE(r.start_animation);
  EXPECT_FALSE(s.palette_open);
  EXPECT_EQ(s.palette_progress, 1.0f);
  EXPECT_EQ(s.query, u"");
  EXPECT_EQ(s.palette_scroll, 0);

  r = set_palette_open(s, true, true, false);
  EXPECT_FALSE(r.changed);
  EXPECT_FALSE(s.palette_open);

  r = set_palette_open(s, true, false, true);
  EXPECT_TRUE(r.changed);
  EXPECT_FALSE(r.start_animation);
  EXPECT_EQ(s.palette_progress, 1.0f);
}

TEST(PaletteWheel, MovesTheTargetNinetyDipsPerNotchWithinRange) {
  PaletteState s = open_state();
  EXPECT_TRUE(palette_wheel(s, -120, 1000, false));
  EXPECT_EQ(s.palette_scroll_target, 90);
  EXPECT_EQ(s.palette_scroll, 0);  // eases later
  EXPECT_TRUE(palette_wheel(s, -60, 1000, false));
  EXPECT_EQ(s.palette_scroll_target, 135);
  EXPECT_TRUE(palette_wheel(s, -1200, 1000, true));
  EXPECT_EQ(s.palette_scroll_target, 1000);
  EXPECT_EQ(s.palette_scroll, 1000);
  EXPECT_TRUE(palette_wheel(s, 240, 1000, false));
  EXPECT_EQ(s.palette_scroll_target, 820);
  PaletteState top = open_state();
  EXPECT_FALSE(palette_wheel(top, 120, 1000, false));
  EXPECT_FALSE(palette_wheel(top, -120, 0, false));
  EXPECT_EQ(top.palette_scroll_target, 0);
}

TEST(ClampPaletteScroll, KeepsBothValuesInsideTheRange) {
  PaletteState s = open_state();
  s.palette_scroll = 500;
  s.palette_scroll_target = -5;
  EXPECT_TRUE(clamp_palette_scroll(s, 200));
  EXPECT_EQ(s.palette_scroll, 200);
  EXPECT_EQ(s.palette_scroll_target, 0);
  EXPECT_FALSE(clamp_palette_scroll(s, 200));
  EXPECT_TRUE(clamp_palette_scroll(s, -10));
  EXPECT_EQ(s.palette_scroll, 0);
}

TEST(PaletteLayout, PlacesThePanelForAWideWindow) {
  // 1440 x 900 DIPs, inset 5, compact rail.
  const auto l = layout_palette(49, 867, 69, 1435, 1.0f, 46);
  EXPECT_EQ(l.visible_rows, 10);
  EXPECT_FLOAT_EQ(l.panel.left, 472);
  EXPECT_FLOAT_EQ(l.panel.right, 1032);
  EXPECT_FLOAT_EQ(l.panel.top, 121);
  EXPECT_FLOAT_EQ(l.panel.bottom, 567);
  EXPECT_FLOAT_EQ(l.list.top, 173);
  EXPECT_FLOAT_EQ(l.list.bottom, 533);
  EXPECT_FLOAT_EQ(l.viewport, 360);
  EXPECT_FLOAT_EQ(l.max_scroll, 46 * 36 - 360);

  const auto fading = layout_palette(49, 867, 69, 1435, 0.25f, 46);
  EXPECT_FLOAT_EQ(fading.panel.top, 121 + 7.5f);
  EXPECT_FLOAT_EQ(layout_palette(49, 867, 69, 1435, 1.0f, 3).max_scroll, 0);
}

TEST(PaletteLayout, ShrinksToOneRowAndAMinimumWidth) {
  struct Case {
    float height;  // status top - title bottom
    int rows;
    float top_offset;
  };
  const Case cases[] = {{100, 1, 22}, {200, 1, 22}, {300, 3, 33}, {600, 10, 66}, {2000, 10, 72}};
  for (const auto& c : cases) {
    const auto l = layout_palette(44, 44 + c.height, 64, 1000, 1.0f, 46);
    EXPECT_EQ(l.visible_rows, c.rows) << c.height;
    EXPECT_FLOAT_EQ(l.panel.top, 44 + c.top_offset) << c.height;
    EXPECT_FLOAT_EQ(l.panel.bottom - l.panel.top, 86 + 36 * c.rows) << c.height;
  }
  const auto narrow = layout_palette(44, 700, 64, 150, 1.0f, 46);
  EXPECT_FLOAT_EQ(narrow.panel.left, 64 + 18);
  EXPECT_FLOAT_EQ(narrow.panel.right - narrow.panel.left, 164);
}

TEST(PaletteRows, OnlyRowsOverlappingTheListGetPlacesClippedToIt) {
  const auto l = layout_palette(49, 867, 69, 1435, 1.0f, 46);
  auto rows = place_palette_rows(l, 46, 0, 2);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0].index, 0);
  EXPECT_FLOAT_EQ(rows[0].zone.left, 480);
  EXPECT_FLOAT_EQ(rows[0].zone.right, 1020);
  EXPECT_FLOAT_EQ(rows[0].zone.top, 173);
  EXPECT_FLOAT_EQ(rows[0].zone.bottom, 207);
  EXPECT_TRUE(rows[2].selected);
  EXPECT_FALSE(rows[1].selected);
  EXPECT_FLOAT_EQ(rows[9].y, 497);

  rows = place_palette_rows(l, 46, 20, 0);
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_FLOAT_EQ(rows[0].y, 153);
  EXPECT_FLOAT_EQ(rows[0].zone.top, 173);
  EXPECT_FLOAT_EQ(rows[10].zone.bottom, 533);

  rows = place_palette_rows(l, 46, 34, 0);  // row 0 ends exactly at the list top
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().index, 1);

  EXPECT_TRUE(place_palette_rows(l, 0, 0, 0).empty());
  EXPECT_EQ(place_palette_rows(l, 3, 0, 0).size(), 3u);
}

TEST(PaletteRowBoxes, NeverHaveNegativeWidthOnNarrowPanels) {
  const auto wide = palette_row_boxes(480, 1020, 173);
  EXPECT_FLOAT_EQ(wide.icon_x, 498);
  EXPECT_FLOAT_EQ(wide.icon_y, 190);
  EXPECT_FLOAT_EQ(wide.label.left, 514);
  EXPECT_FLOAT_EQ(wide.label.right, 890);
  EXPECT_FLOAT_EQ(wide.group.left, 892);
  EXPECT_FLOAT_EQ(wide.group.right, 1008);
  EXPECT_FLOAT_EQ(wide.label.bottom - wide.label.top, 34);

  for (float available = 0; available <= 400; available += 7) {
    const auto l = layout_palette(44, 700, 64, 64 + available, 1.0f, 46);
    for (const auto& row : place_palette_rows(l, 46, 0, 0)) {
      const auto b = palette_row_boxes(row.zone.left, row.zone.right, row.y);
      EXPECT_GE(b.label.right, b.label.left) << available;
      EXPECT_GE(b.group.right, b.group.left) << available;
      EXPECT_GE(b.group.left, b.label.left) << available;
    }
    const auto c = palette_chrome_boxes(l.panel);
    EXPECT_GE(c.query.right, c.query.left) << available;
    EXPECT_GE(c.footer_hint.right, c.footer_hint.left) << available;
  }
  // Below the reserved widths the label box closes instead of turning inside out.
  const auto squeezed = palette_row_boxes(100, 244, 0);
  EXPECT_FLOAT_EQ(squeezed.label.left, 134);
  EXPECT_FLOAT_EQ(squeezed.label.right, 134);
  EXPECT_FLOAT_EQ(squeezed.group.left, 134);
  EXPECT_FLOAT_EQ(squeezed.group.right, 232);
}

TEST(PaletteChromeBoxes, SitInsideThePanel) {
  const PaletteRect panel{472, 121, 1032, 567};
  const auto b = palette_chrome_boxes(panel);
  EXPECT_FLOAT_EQ(b.glyph_x, 496);
  EXPECT_FLOAT_EQ(b.glyph_y, 144);
  EXPECT_FLOAT_EQ(b.query.left, 516);
  EXPECT_FLOAT_EQ(b.query.right, 976);
  EXPECT_FLOAT_EQ(b.query.bottom, 167);
  EXPECT_FLOAT_EQ(b.key_hint.left, 986);
  EXPECT_FLOAT_EQ(b.key_hint.right, 1018);
  EXPECT_FLOAT_EQ(b.header_separator_y, 167);
  EXPECT_FLOAT_EQ(b.footer_separator_y, 539);
  EXPECT_FLOAT_EQ(b.footer_hint.top, 539);
  EXPECT_FLOAT_EQ(b.footer_hint.bottom, 567);
}

}  // namespace
}  // namespace vantiro
