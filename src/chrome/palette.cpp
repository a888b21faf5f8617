#include "chrome/palette.h"

#include <algorithm>
#include <cmath>

#include "common/utf.h"
#include "web/url.h"

namespace vantiro {
namespace {

bool contains(std::u16string_view haystack, std::u16string_view folded_needle) {
  return fold_palette_text(haystack).find(folded_needle) != std::u16string::npos;
}

bool row_matches(const ToolEntry& e, std::u16string_view folded) {
  return contains(e.label_sv, folded) || contains(e.label_en, folded) ||
         contains(e.group_sv, folded) || contains(e.group_en, folded) || contains(e.route, folded);
}

void reset_selection_and_scroll(PaletteState& s) {
  s.selection = 0;
  s.palette_scroll = 0.0f;
  s.palette_scroll_target = 0.0f;
}

// A trailing high surrogate waits for its low half; it is never part of a pair yet.
bool ends_with_pending_high(const std::u16string& q) {
  return !q.empty() && is_high_surrogate(q.back());
}

}  // namespace

std::u16string fold_palette_text(std::u16string_view text) {
  return ascii_lower(text);
}

std::vector<const ToolEntry*> filter_palette(std::u16string_view query) {
  std::u16string folded = fold_palette_text(query);
  // Between the two WM_CHAR halves of a pair the query ends in a lone high surrogate, which
  // matches nothing; judge the query without it.
  if (ends_with_pending_high(folded)) folded.pop_back();
  std::vector<const ToolEntry*> out;
  for (const ToolEntry& e : tool_catalog()) {
    if (folded.empty() || row_matches(e, folded)) out.push_back(&e);
  }
  return out;
}

bool palette_char(PaletteState& state, std::uint32_t unit) {
  if (unit <= 31 || unit == 127 || unit > 0xFFFF) return false;
  const auto c = static_cast<char16_t>(unit);
  std::u16string& q = state.query;
  if (is_low_surrogate(c)) {
    // Only the second half of a pair whose first half was taken; a stray low half, or the
    // half of a pair refused for lack of room, is dropped.
    if (ends_with_pending_high(q)) q.push_back(c);
  } else {
    if (ends_with_pending_high(q)) q.pop_back();  // its low half never came
    const std::size_t need = is_high_surrogate(c) ? 2 : 1;
    if (q.size() + need <= kPaletteQueryMaxUnits) q.push_back(c);
  }
  reset_selection_and_scroll(state);
  return true;
}

PaletteKeyResult palette_key(PaletteState& state, int virtual_key, float viewport) {
  PaletteKeyResult r;
  switch (virtual_key) {
    case vk::kBack: {
      std::u16string& q = state.query;
      if (!q.empty()) {
        const char16_t last = q.back();
        q.pop_back();
        if (is_low_surrogate(last) && !q.empty() && is_high_surrogate(q.back())) q.pop_back();
      }
      reset_selection_and_scroll(state);
      r.handled = true;
      r.refresh = true;
      return r;
    }
    case vk::kEscape:
      r.handled = true;
      r.close = true;
      return r;
    case vk::kReturn: {
      r.handled = true;
      const auto rows = filter_palette(state.query);
      if (!rows.empty()) {
        const int last = static_cast<int>(rows.size()) - 1;
        r.open = rows[static_cast<std::size_t>(std::clamp(state.selection, 0, last))];
        r.close = true;
      }
      return r;
    }
    case vk::kUp:
    case vk::kDown: {
      r.handled = true;
      const auto rows = filter_palette(state.query);
      if (rows.empty()) return r;
      const int last = static_cast<int>(rows.size()) - 1;
      state.selection = std::clamp(state.selection + (virtual_key == vk::kUp ? -1 : 1), 0, last);
      const float row_top = static_cast<float>(state.selection) * kPaletteRowPitch;
      const float view = std::max(viewport, kPaletteRowPitch);
      float scroll = state.palette_scroll;
      if (row_top < scroll) {
        scroll = row_top;
      } else if (row_top + kPaletteRowPitch - view > scroll) {
        scroll = row_top + kPaletteRowPitch - view;
      }
      state.palette_scroll = scroll;
      state.palette_scroll_target = scroll;
      r.refresh = true;
      return r;
    }
    default:
      return r;
  }
}

PaletteOpenResult set_palette_open(PaletteState& state, bool open, bool fullscreen,
                                   bool reduced_motion) {
  PaletteOpenResult r;
  if (state.palette_open == open) return r;
  if (open && fullscreen) return r;
  r.changed = true;
  state.palette_open = open;
  state.query.clear();
  reset_selection_and_scroll(state);
  if (open) {
    r.close_settings = true;
    r.focus_main_window = true;
    state.palette_progress = reduced_motion ? 1.0f : 0.0f;
    r.start_animation = !reduced_motion;
  } else {
    // It vanishes at once, without a fade.
    state.palette_progress = 1.0f;
    r.focus_web_view = true;
  }
  return r;
}

bool palette_wheel(PaletteState& state, int wheel_delta, float max_scroll, bool reduced_motion) {
  const float step =
      static_cast<float>(wheel_delta) * kPaletteWheelStep / static_cast<float>(kWheelDelta);
  const float target =
      std::clamp(state.palette_scroll_target - step, 0.0f, std::max(max_scroll, 0.0f));
  const bool moved =
      target != state.palette_scroll_target || (reduced_motion && state.palette_scroll != target);
  state.palette_scroll_target = target;
  if (reduced_motion) state.palette_scroll = target;
  return moved;
}

bool clamp_palette_scroll(PaletteState& state, float max_scroll) {
  const float hi = std::max(max_scroll, 0.0f);
  const float scroll = std::clamp(state.palette_scroll, 0.0f, hi);
  const float target = std::clamp(state.palette_scroll_target, 0.0f, hi);
  const bool changed = scroll != state.palette_scroll || target != state.palette_scroll_target;
  state.palette_scroll = scroll;
  state.palette_scroll_target = target;
  return changed;
}

PaletteLayout layout_palette(float title_bottom, float status_top, float rail_right,
                             float right_edge, float progress, std::size_t result_count) {
  PaletteLayout l;
  const float h = std::max(status_top - title_bottom, 200.0f);
  const float rows_room = std::min(h - 72.0f, 460.0f) - 86.0f;
  l.visible_rows = std::max(static_cast<int>(std::floor(rows_room / kPaletteRowPitch)), 1);

  const float w_avail = std::max(right_edge - rail_right, 200.0f);
  const float w = std::min(w_avail - 36.0f, 560.0f);
  l.panel.left = rail_right + (w_avail - w) / 2.0f;
  l.panel.right = l.panel.left + w;
  l.panel.top = std::min(h * 0.11f, 72.0f) + title_bottom + (1.0f - progress) * 10.0f;
  l.viewport = static_cast<float>(l.visible_rows) * kPaletteRowPitch;
  l.panel.bottom = l.panel.top + kPaletteHeaderHeight + l.viewport + kPaletteFooterHeight;

  l.list = {l.panel.left, l.panel.top + kPaletteHeaderHeight, l.panel.right,
            l.panel.top + kPaletteHeaderHeight + l.viewport};
  l.max_scroll = std::max(static_cast<float>(result_count) * kPaletteRowPitch - l.viewport, 0.0f);
  return l;
}

std::vector<PaletteRowPlacement> place_palette_rows(const PaletteLayout& layout,
                                                    std::size_t result_count, float scroll,
                                                    int selection) {
  std::vector<PaletteRowPlacement> out;
  for (std::size_t i = 0; i < result_count; ++i) {
    const float y = layout.list.top - scroll + static_cast<float>(i) * kPaletteRowPitch;
    if (y >= layout.list.bottom) break;
    if (!(layout.list.top < y + kPaletteRowHeight)) continue;
    PaletteRowPlacement p;
    p.index = static_cast<int>(i);
    p.y = y;
    p.zone = {layout.panel.left + 8.0f, std::max(y, layout.list.top), layout.panel.right - 12.0f,
              std::min(y + kPaletteRowHeight, layout.list.bottom)};
    p.selected = p.index == selection;
    out.push_back(p);
  }
  return out;
}

PaletteRowBoxes palette_row_boxes(float zone_left, float zone_right, float y) {
  PaletteRowBoxes b;
  b.icon_x = zone_left + 18.0f;
  b.icon_y = y + 17.0f;
  const float text_left = zone_left + 34.0f;
  // A panel narrower than the reserved widths squeezes the label to nothing rather than
  // turning its box inside out, and keeps the group text off the icon.
  b.label = {text_left, y, std::max(zone_right - 130.0f, text_left), y + kPaletteRowHeight};
  const float group_right = std::max(zone_right - 12.0f, text_left);
  b.group = {std::min(std::max(zone_right - 128.0f, text_left), group_right), y, group_right,
             y + kPaletteRowHeight};
  return b;
}

PaletteChromeBoxes palette_chrome_boxes(const PaletteRect& panel) {
  PaletteChromeBoxes b;
  b.glyph_x = panel.left + 24.0f;
  b.glyph_y = panel.top + 23.0f;
  b.query = {panel.left + 44.0f, panel.top + 4.0f,
             std::max(panel.right - 56.0f, panel.left + 44.0f), panel.top + 46.0f};
  b.key_hint = {panel.right - 46.0f, panel.top + 13.0f, panel.right - 14.0f, panel.top + 33.0f};
  b.header_separator_y = panel.top + 46.0f;
  b.footer_separator_y = panel.bottom - 28.0f;
  b.footer_hint = {panel.left + 8.0f, panel.bottom - 28.0f,
                   std::max(panel.right - 8.0f, panel.left + 8.0f), panel.bottom};
  return b;
}

}  // namespace vantiro
