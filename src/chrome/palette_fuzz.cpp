// Feeds the command palette arbitrary keystrokes, characters and wheel turns, and the path
// helpers arbitrary paths, and checks what the chrome relies on: the query stays within 128
// well-formed units, the selection stays inside the result, scroll and boxes stay in range.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "chrome/palette.h"
#include "chrome/tool_catalog.h"
#include "common/utf.h"

namespace {

using namespace vantiro;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void check_query(const std::u16string& q) {
  check(q.size() <= kPaletteQueryMaxUnits, "query within 128 units");
  std::u16string whole = q;
  if (!whole.empty() && is_high_surrogate(whole.back())) {
    check(q.size() < kPaletteQueryMaxUnits, "a pending high half always has room for its pair");
    whole.pop_back();
  }
  check(utf16_to_utf8_strict(whole).has_value(), "query is well-formed UTF-16");
}

void check_paths(const std::u16string& path) {
  const ToolEntry* e = tool_for_path(path);
  if (e != nullptr) {
    const std::u16string p = normalize_tool_path(path.substr(0, path.find(u'#')));
    check(p.substr(0, e->route.size()) == e->route, "a found row's route prefixes the path");
  }
  const int icon = tab_icon_for_path(path);
  check(icon >= 0 && icon <= 26, "icon ids stay in the icon set");
  for (const ToolEntry& row : tool_catalog()) (void)rail_item_active(path, row.route);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PaletteState s;
  set_palette_open(s, true, false, (size & 1) != 0);
  std::u16string path;
  std::size_t i = 0;
  auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
  while (i < size) {
    const std::uint8_t op = next();
    const float viewport = static_cast<float>(next() % 16) * 36.0f;
    switch (op % 9) {
      case 0:
      case 1: {
        const auto unit = static_cast<std::uint32_t>(next() | (next() << 8));
        palette_char(s, unit);
        path.push_back(static_cast<char16_t>(unit));
        break;
      }
      case 2:
        palette_key(s, vk::kBack, viewport);
        break;
      case 3:
        palette_key(s, vk::kUp, viewport);
        break;
      case 4:
        palette_key(s, vk::kDown, viewport);
        break;
      case 5: {
        const auto r = palette_key(s, vk::kReturn, viewport);
        if (r.open != nullptr) check(r.close, "opening a row closes the palette");
        break;
      }
      case 6: {
        const int delta = static_cast<std::int8_t>(next()) * 40;
        palette_wheel(s, delta, static_cast<float>(next()) * 36.0f, (op & 0x10) != 0);
        break;
      }
      case 7:
        palette_char(s, static_cast<std::uint32_t>(u'a' + next() % 26));
        path.push_back(u'/');
        break;
      default: {
        const float w = static_cast<float>(next()) * 8.0f;
        const float h = static_cast<float>(next()) * 8.0f;
        const auto rows = filter_palette(s.query);
        const auto l = layout_palette(44, 44 + h, 64, 64 + w, static_cast<float>(next()) / 255.0f,
                                      rows.size());
        check(l.visible_rows >= 1 && l.visible_rows <= 10, "one to ten visible rows");
        check(l.panel.right >= l.panel.left && l.list.bottom > l.list.top, "panel has a size");
        clamp_palette_scroll(s, l.max_scroll);
        check(s.palette_scroll >= 0 && s.palette_scroll <= l.max_scroll, "scroll within range");
        for (const auto& p : place_palette_rows(l, rows.size(), s.palette_scroll, s.selection)) {
          check(p.zone.top >= l.list.top && p.zone.bottom <= l.list.bottom, "rows clipped");
          const auto b = palette_row_boxes(p.zone.left, p.zone.right, p.y);
          check(b.label.right >= b.label.left && b.group.right >= b.group.left,
                "boxes not negative");
        }
        break;
      }
    }
    check_query(s.query);
    const auto rows = filter_palette(s.query);
    check(s.selection >= 0, "selection not negative");
    if (!rows.empty()) check(s.selection < static_cast<int>(rows.size()), "selection in result");
    check(s.palette_scroll >= 0 && s.palette_scroll_target >= 0, "scroll not negative");
  }
  check_paths(path);
  return 0;
}
