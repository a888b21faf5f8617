#include "chrome/painter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "chrome/boot_scene.h"
#include "chrome/recording_canvas.h"
#include "common/utf.h"

namespace vantiro::chrome {
namespace {

bool same_color(Color a, Color b) {
  return std::fabs(a.r - b.r) < 1e-3 && std::fabs(a.g - b.g) < 1e-3 &&
         std::fabs(a.b - b.b) < 1e-3 && std::fabs(a.a - b.a) < 1e-3;
}

bool has_linear_from(const RecordingCanvas& c, std::uint32_t hex) {
  for (const DrawOp& op : c.ops)
    if (op.kind == DrawOpKind::fill_linear && same_color(op.color, rgb(hex))) return true;
  return false;
}

bool has_fill(const RecordingCanvas& c, std::uint32_t hex) {
  for (const DrawOp& op : c.ops)
    if (op.kind == DrawOpKind::fill_rect && same_color(op.color, rgb(hex))) return true;
  return false;
}

ChromeState one_tab() {
  ChromeState s;
  s.ui_swedish = false;
  s.title = u"Ped Editor";
  s.tabs.push_back({1, u"Ped Editor", 11, true, false});
  return s;
}

RecordingCanvas paint(const ChromeState& s, float w = 1440, float h = 900, float inset = 5) {
  RecordingCanvas c;
  paint_chrome(c, layout_chrome(w, h, inset, s), s);
  return c;
}

TEST(ChromePainter, EachModeDrawsItsOwnLayers) {
  struct Case {
    const char* what;
    ChromeState state;
    bool title, rail, status;
    const char16_t* text;
  };
  ChromeState studio = one_tab();
  ChromeState welcome = one_tab();
  welcome.welcome_gate = true;
  ChromeState auth = one_tab();
  auth.auth_flow = true;
  auth.active_tab_loading = true;
  ChromeState full = one_tab();
  full.fullscreen = true;
  full.active_tab_is_launcher = true;
  ChromeState settings = one_tab();
  settings.settings_open = true;
  const Case cases[] = {
      {"studio", studio, true, true, true, u"Ped Editor"},
      {"welcome", welcome, true, false, false, u"Welcome to Vantiro"},
      {"sign-in flow", auth, true, false, false, u"Try offline"},
      {"fullscreen launcher", full, false, false, false, u"What are you building?"},
      // The settings navigation column reuses the rail's gradient; the status bar is gone.
      {"settings", settings, true, true, false, u"Back to studio"},
  };
  for (const Case& c : cases) {
    const RecordingCanvas rc = paint(c.state, 1440, 900, c.state.fullscreen ? 0 : 5);
    EXPECT_EQ(has_linear_from(rc, 0x10192A), c.title) << c.what;
    EXPECT_EQ(has_linear_from(rc, 0x0B111E), c.rail) << c.what;
    EXPECT_EQ(has_fill(rc, 0x070C14), c.status) << c.what;
    EXPECT_NE(rc.find_text(c.text), nullptr) << c.what;
    EXPECT_EQ(rc.find_text(u"vantiro") != nullptr, c.title) << c.what;
    ASSERT_FALSE(rc.ops.empty());
    EXPECT_EQ(rc.ops[0].kind, DrawOpKind::clear) << c.what;
  }
  // The sign-in flow shows the loading scene below its bar while the page loads.
  EXPECT_NE(paint(auth).find_text(u"Opening Ped Editor"), nullptr);
}

TEST(ChromePainter, InactiveWindowDimsTheTitleBarContentsOnly) {
  ChromeState s = one_tab();
  const DrawOp active = *paint(s).find_text(u"vantiro");
  EXPECT_FLOAT_EQ(active.color.a, 1);
  s.window_active = false;
  const RecordingCanvas rc = paint(s);
  EXPECT_NEAR(rc.find_text(u"vantiro")->color.a, 0.61f, 1e-4);
  EXPECT_NEAR(rc.find_text(u"STUDIO")->color.a, 0.61f, 1e-4);
  EXPECT_NEAR(rc.find_text(u"Ped Editor")->color.a, 0.61f, 1e-4);  // the tab title
  // The gradient itself is not dimmed, nor is the status bar below.
  EXPECT_TRUE(has_linear_from(rc, 0x10192A));
  bool status_full = false;
  for (const DrawOp& op : rc.ops) {
    if (op.kind == DrawOpKind::text && op.format == TextFormat::small)
      status_full = op.color.a == 1;
  }
  EXPECT_TRUE(status_full);
}

TEST(ChromePainter, TabVisualsFollowTheirWidthThresholds) {
  struct Case {
    float width;
    bool icon, title;
    float icon_x;  // offset of the icon centre from the tab's left edge
  };
  const Case cases[] = {{27, false, false, 0},    {43.9f, false, false, 0}, {44, true, false, 12},
                        {63.9f, true, false, 12}, {64, true, true, 16},     {150, true, true, 16}};
  for (const Case& c : cases) {
    LayoutResult l;
    l.mode = ChromeMode::studio;
    l.width = 1440;
    l.height = 900;
    l.title_bottom = 44;
    l.status_top = 872;
    l.right = 1440;
    l.bottom = 900;
    l.rail_width = 64;
    HitZone tab;
    tab.kind = ZoneKind::Tab;
    tab.left = 300;
    tab.right = 300 + c.width;
    tab.top = 6;
    tab.bottom = 44;
    tab.icon = 11;  // the person: its head is the only stroked ellipse in the title bar
    tab.label = u"Vehicle Studio";
    l.zones.push_back(tab);
    ChromeState s;
    RecordingCanvas rc;
    paint_chrome(rc, l, s);
    EXPECT_EQ(rc.find_text(u"Vehicle Studio") != nullptr, c.title) << c.width;
    const DrawOp* head = nullptr;
    for (const DrawOp& op : rc.ops) {
      if (op.kind == DrawOpKind::stroke_ellipse && op.a.y < 44) head = &op;
    }
    EXPECT_EQ(head != nullptr, c.icon) << c.width;
    if (head && c.icon) {
      EXPECT_NEAR(head->a.x, 300 + c.icon_x, 0.01) << c.width;
    }
    // An inactive, unhovered tab shows its right separator.
    bool separator = false;
    for (const DrawOp& op : rc.ops) {
      separator |= op.kind == DrawOpKind::line && op.a.x == tab.right && op.a.y == 16;
    }
    EXPECT_TRUE(separator) << c.width;
  }
}

TEST(ChromePainter, ActiveTabMergesWithTheContentAndLoadingTabsSpin) {
  ChromeState s = one_tab();
  s.tabs[0].loading = true;
  const LayoutResult l = layout_chrome(1440, 900, 5, s);
  RecordingCanvas rc;
  paint_chrome(rc, l, s);
  bool gradient = false;
  bool bar = false;
  bool reload_ring = false;
  for (const DrawOp& op : rc.ops) {
    gradient |= op.kind == DrawOpKind::fill_linear && same_color(op.color, rgb(0x162134));
    bar |= op.kind == DrawOpKind::fill_rect && op.rect == RectF{284, 11, 456, 13};
    // Icon 4 at size 14 is a vector circle of radius 0.62 x 7 at left + 16.
    reload_ring |= op.kind == DrawOpKind::stroke_ellipse && std::fabs(op.a.x - 292) < 0.01 &&
                   std::fabs(op.rect.width() - 8.68f) < 0.01;
  }
  EXPECT_TRUE(gradient);
  EXPECT_TRUE(bar);
  EXPECT_TRUE(reload_ring);
}

TEST(ChromePainter, IconsFallBackToVectorsWithoutTheIconFont) {
  const ChromeState s = one_tab();
  const LayoutResult l = layout_chrome(1440, 900, 5, s);
  RecordingCanvas bare;
  paint_chrome(bare, l, s);
  EXPECT_EQ(bare.count(DrawOpKind::icon_glyph), 0);
  // Minimize is one horizontal vector line of 0.75 x 6 on each side of its centre (1320, 27).
  bool minimize = false;
  for (const DrawOp& op : bare.ops) {
    minimize |=
        op.kind == DrawOpKind::line && op.a == Point{1315.5f, 27} && op.b == Point{1324.5f, 27};
  }
  EXPECT_TRUE(minimize);

  RecordingCanvas fonts;
  fonts.has_icon_font = true;
  paint_chrome(fonts, l, s);
  std::u16string glyphs;
  for (const DrawOp& op : fonts.ops)
    if (op.kind == DrawOpKind::icon_glyph) glyphs += op.glyph;
  for (char16_t g : {u'\uE72B', u'\uE72A', u'\uE72C', u'\uE740', u'\uE921', u'\uE922', u'\uE8BB'}) {
    EXPECT_NE(glyphs.find(g), std::u16string::npos) << static_cast<int>(g);
  }
  // Large or non-navigation icons never use the font.
  RecordingCanvas big;
  big.has_icon_font = true;
  draw_icon(big, 5, {0, 0}, 16, rgb(0xFFFFFF));
  draw_icon(big, 12, {0, 0}, 12, rgb(0xFFFFFF));
  EXPECT_EQ(big.count(DrawOpKind::icon_glyph), 0);
  EXPECT_EQ(big.count(DrawOpKind::fill_ellipse), 2);  // the car's wheels
}

TEST(ChromePainter, EveryIconIdDrawsSomethingButTheGenericPage) {
  for (int id = 0; id <= 27; ++id) {
    RecordingCanvas c;
    draw_icon(c, id, {50, 50}, 18, rgb(0xFFFFFF));
    EXPECT_EQ(c.ops.empty(), id == 0) << id;
    for (const DrawOp& op : c.ops) {
      if (op.kind == DrawOpKind::line || op.kind == DrawOpKind::stroke_path ||
          op.kind == DrawOpKind::stroke_ellipse) {
        EXPECT_FLOAT_EQ(op.value, 1.6f) << id;  // above 13 DIPs
      }
    }
  }
}

TEST(ChromePainter, LauncherPaintsOnlyItsOwnZones) {
  ChromeState s = one_tab();
  s.active_tab_is_launcher = true;
  LayoutResult l = layout_chrome(1440, 900, 5, s);
  HitZone stray;  // a welcome zone that must not be drawn as a pill
  stray.kind = ZoneKind::SignInDiscord;
  stray.index = 100;
  stray.left = 600;
  stray.top = 600;
  stray.right = 800;
  stray.bottom = 640;
  l.zones.push_back(stray);
  RecordingCanvas rc;
  paint_chrome(rc, l, s);
  for (const DrawOp& op : rc.ops) {
    EXPECT_FALSE(op.kind == DrawOpKind::fill_round_rect && op.rect == stray.rect());
  }
  EXPECT_NE(rc.find_text(u"Search 40+ tools …"), nullptr);
  EXPECT_NE(rc.find_text(u"Ctrl+K"), nullptr);
}

TEST(ChromePainter, CrashCardAndItsButton) {
  ChromeState s = one_tab();
  s.active_tab_stalled = true;
  s.ui_swedish = true;
  const RecordingCanvas rc = paint(s);
  EXPECT_NE(rc.find_text(u"Arbetsytan behöver laddas om"), nullptr);
  EXPECT_NE(rc.find_text(u"Ladda om"), nullptr);
  // The status dot turns to danger.
  bool danger = false;
  for (const DrawOp& op : rc.ops)
    danger |= op.kind == DrawOpKind::fill_ellipse && same_color(op.color, rgb(0xF06E64));
  EXPECT_TRUE(danger);
}

TEST(ChromePainter, PaletteQueryIsClippedNotEllipsized) {
  ChromeState s = one_tab();
  s.palette_open = true;
  s.query = std::u16string(120, u'w');
  RecordingCanvas rc = paint(s);
  const DrawOp* q = rc.find_text(s.query + u"|");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->overflow, TextOverflow::clip);
  EXPECT_EQ(q->format, TextFormat::query);
  s.query.clear();
  rc = paint(s);
  EXPECT_NE(rc.find_text(u"Search tools (Ped, Vehicle, Weapon, FiveM Menu …)"), nullptr);
  EXPECT_NE(rc.find_text(u"↑↓ Navigate   ·   Enter Open   ·   Esc Close"), nullptr);
  // Fading in: the whole palette is drawn at its progress.
  s.palette_progress = 0.5f;
  rc = paint(s);
  EXPECT_NEAR(rc.find_text(u"ESC")->color.a, 0.5f, 1e-4);
}

TEST(ChromePainter, StatusBarShowsNoticesAndMessages) {
  ChromeState s = one_tab();
  s.title = u"Ped Editor";
  s.notice_text = u"Sent to FiveM: cars";
  s.notice_success = true;
  RecordingCanvas rc = paint(s);
  const DrawOp* ok = rc.find_text(u"\u2713  Sent to FiveM: cars");
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(same_color(ok->color, rgb(0x3DDC97)));
  s.notice_success = false;
  s.notice_text = u"FiveM folder cleared";
  EXPECT_NE(paint(s).find_text(u"Ped Editor  ·  FiveM folder cleared"), nullptr);
  s.notice_text.clear();
  s.settings_message = u"Could not add Vantiro.";
  EXPECT_NE(paint(s).find_text(u"Ped Editor  ·  Could not add Vantiro."), nullptr);
  // The text stops 12 DIPs left of the status bar pill.
  s.available_version = u"1.9.5";
  s.update_ready = true;
  rc = paint(s, 600, 600);
  const DrawOp* line = rc.find_text(u"Ped Editor  ·  Could not add Vantiro.");
  ASSERT_NE(line, nullptr);
  EXPECT_FLOAT_EQ(line->rect.right, 368 - 12);
}

TEST(ChromePainter, RailScrollbarOnlyWhenThereIsSomethingToScroll) {
  ChromeState s = one_tab();
  LayoutResult l = layout_chrome(1440, 900, 5, s);
  auto thumbs = [&](const LayoutResult& layout) {
    RecordingCanvas rc;
    paint_chrome(rc, layout, s);
    int n = 0;
    for (const DrawOp& op : rc.ops) {
      n += op.kind == DrawOpKind::fill_round_rect && same_color(op.color, rgb(0xF1D4B1, 0.36f));
    }
    return n;
  };
  EXPECT_EQ(thumbs(l), 0);
  l.rail_max_scroll = 300;
  EXPECT_EQ(thumbs(l), 1);
  l.rail_list.bottom = l.rail_list.top;  // nothing visible: no thumb either
  EXPECT_EQ(thumbs(l), 0);
}

TEST(ChromePainter, TinyWindowsNeverDrawInvertedBoxes) {
  std::vector<ChromeState> states;
  ChromeState a = one_tab();
  a.palette_open = true;
  a.query = u"ped";
  states.push_back(a);
  ChromeState w;
  w.welcome_gate = true;
  states.push_back(w);
  ChromeState b = one_tab();
  b.startup_scene = true;
  b.active_tab_loading = true;
  states.push_back(b);
  ChromeState u = one_tab();
  u.update_scene = true;
  u.download_progress = 0.4f;
  states.push_back(u);
  ChromeState f = one_tab();
  f.fullscreen = true;
  f.welcome_gate = true;
  states.push_back(f);
  for (const ChromeState& s : states) {
    for (float size : {0.0f, 3.0f, 30.0f, 70.0f, 200.0f, 390.0f}) {
      RecordingCanvas rc;
      paint_chrome(rc, layout_chrome(size, size, 5, s), s);
      for (const DrawOp& op : rc.ops) {
        if (op.kind == DrawOpKind::text || op.kind == DrawOpKind::fill_round_rect ||
            op.kind == DrawOpKind::stroke_round_rect) {
          EXPECT_GE(op.rect.width(), 0) << size << " " << to_utf8(op.text);
          EXPECT_GE(op.rect.height(), 0) << size << " " << to_utf8(op.text);
        }
      }
    }
  }
}

// --- kept copies: backdrops and sprites ---------------------------------------------------

// The ops a backdrop or sprite at index i drew.
std::vector<DrawOp> drawn_by(const RecordingCanvas& c, size_t i) {
  const auto first = c.ops.begin() + static_cast<std::ptrdiff_t>(i) + 1;
  return {first, first + static_cast<std::ptrdiff_t>(c.ops[i].span)};
}

// Whether two ops draw the same, the first moved by (dx, dy) from the second.
bool same_op(const DrawOp& a, const DrawOp& b, float dx = 0, float dy = 0) {
  const auto near = [](float x, float y) { return std::fabs(x - y) < 1e-3f; };
  const auto moved = [&](Point p, Point q) { return near(p.x, q.x + dx) && near(p.y, q.y + dy); };
  if (a.kind != b.kind || !(a.color == b.color) || a.value != b.value || a.text != b.text ||
      a.format != b.format || a.layer_depth != b.layer_depth || a.fidelity != b.fidelity ||
      a.stops.size() != b.stops.size() || a.path.segments.size() != b.path.segments.size()) {
    return false;
  }
  const bool path = a.kind == DrawOpKind::fill_path || a.kind == DrawOpKind::stroke_path;
  if (!path && !(moved({a.rect.left, a.rect.top}, {b.rect.left, b.rect.top}) &&
                 moved({a.rect.right, a.rect.bottom}, {b.rect.right, b.rect.bottom}))) {
    return false;
  }
  // Lines keep both ends and ellipses their centre in a and b; other ops only stops there.
  const bool points = a.kind == DrawOpKind::line || a.kind == DrawOpKind::fill_ellipse ||
                      a.kind == DrawOpKind::stroke_ellipse;
  if (points ? !(moved(a.a, b.a) && (a.kind != DrawOpKind::line || moved(a.b, b.b)))
             : !(a.a == b.a && a.b == b.b)) {
    return false;
  }
  for (size_t k = 0; k < a.stops.size(); ++k) {
    if (a.stops[k].offset != b.stops[k].offset || !(a.stops[k].color == b.stops[k].color))
      return false;
  }
  for (size_t k = 0; k < a.path.segments.size(); ++k) {
    const Path::Segment& p = a.path.segments[k];
    const Path::Segment& q = b.path.segments[k];
    if (p.op != q.op) return false;
    if (p.op != Path::Op::close && !moved(p.p1, q.p1)) return false;
    if (p.op == Path::Op::cubic && !(moved(p.p2, q.p2) && moved(p.p3, q.p3))) return false;
  }
  return true;
}

// The points an op's shape is built on.
std::vector<Point> shape_points(const DrawOp& op) {
  std::vector<Point> out;
  if (op.kind == DrawOpKind::fill_path || op.kind == DrawOpKind::stroke_path) {
    for (const Path::Segment& seg : op.path.segments) {
      if (seg.op == Path::Op::close) continue;
      out.push_back(seg.p1);
      if (seg.op == Path::Op::cubic) {
        out.push_back(seg.p2);
        out.push_back(seg.p3);
      }
    }
  } else {
    out.push_back({op.rect.left, op.rect.top});
    out.push_back({op.rect.right, op.rect.bottom});
  }
  return out;
}

// States that differ in what moves between frames (phases, hovers, fades, scrolls, the rail)
// and in what stays (screens, sizes, languages), so equal keys must mean equal pictures.
std::vector<std::pair<ChromeState, std::array<float, 3>>> frames_to_compare() {
  std::vector<std::pair<ChromeState, std::array<float, 3>>> out;
  const auto add = [&](ChromeState s) {
    out.push_back({s, {1440, 900, 5}});
    out.push_back({s, {960, 600, 5.333333f}});  // 144 DPI
    out.push_back({s, {2560, 1440, 0}});
  };
  ChromeState base = one_tab();
  for (bool launcher : {false, true}) {
    for (bool expanded : {false, true}) {
      ChromeState s = base;
      s.active_tab_is_launcher = launcher;
      s.sidebar_expanded = expanded;
      add(s);
      s.rail_width = 142.5f;  // the rail on its way
      add(s);
      s.ui_swedish = true;
      s.window_active = false;
      add(s);
    }
  }
  ChromeState hover = base;
  hover.active_tab_is_launcher = true;
  const LayoutResult l = layout_chrome(1440, 900, 5, hover);
  for (size_t i = 0; i < l.zones.size(); ++i) {
    if (l.zones[i].index != 3) continue;  // a launcher card
    hover.hover = static_cast<int>(i);
    hover.hover_zone = ZoneIdentity::of(l.zones[i]);
  }
  for (float fade : {0.3f, 0.8f}) {
    hover.hover_fade_in = fade;
    add(hover);
  }
  ChromeState crash = base;
  crash.active_tab_stalled = true;
  add(crash);
  for (float phase : {0.1f, 0.35f, 0.7f}) {
    ChromeState boot = base;
    boot.startup_scene = true;
    boot.active_tab_loading = true;
    boot.spinner_phase = phase;
    add(boot);
    boot.update_scene = true;
    add(boot);
    boot.welcome_gate = true;
    boot.update_scene = false;
    boot.welcome_checking = true;
    add(boot);
  }
  ChromeState welcome = base;
  welcome.welcome_gate = true;
  add(welcome);
  ChromeState full = base;
  full.fullscreen = true;
  full.active_tab_is_launcher = true;
  add(full);
  for (float progress : {0.4f, 1.0f}) {
    for (int category : {0, 2}) {
      ChromeState settings = base;
      settings.settings_open = true;
      settings.settings_progress = progress;
      settings.settings_category = category;
      settings.settings_scroll = 30;
      add(settings);
    }
  }
  ChromeState palette = base;
  palette.active_tab_is_launcher = true;
  palette.palette_open = true;
  palette.query = u"fordon";
  add(palette);
  return out;
}

TEST(ChromePainter, EveryBackdropHidesWhatLiesBeneathBeforeDrawingAnythingElse) {
  // A kept copy of a backdrop replaces everything beneath it, so its paint must do the same.
  int backdrops = 0;
  for (const auto& [s, size] : frames_to_compare()) {
    const RecordingCanvas c = paint(s, size[0], size[1], size[2]);
    for (size_t i = 0; i < c.ops.size(); ++i) {
      if (c.ops[i].kind != DrawOpKind::backdrop) continue;
      ++backdrops;
      const RectF r = c.ops[i].rect;
      const std::vector<DrawOp> drawn = drawn_by(c, i);
      const DrawOp* cover = nullptr;
      for (const DrawOp& op : drawn) {
        if (op.kind != DrawOpKind::push_clip && op.kind != DrawOpKind::pop_clip) {
          cover = &op;
          break;
        }
      }
      ASSERT_NE(cover, nullptr);
      bool opaque = cover->layer_opacity == 1;
      if (cover->kind == DrawOpKind::fill_rect) {
        opaque = opaque && cover->color.a == 1;
      } else {
        ASSERT_EQ(cover->kind, DrawOpKind::fill_linear);
        opaque = opaque && cover->value == 0;
        for (const GradientStop& stop : cover->stops) opaque = opaque && stop.color.a == 1;
      }
      EXPECT_TRUE(opaque) << "backdrop " << i;
      EXPECT_TRUE(cover->rect.left <= r.left && cover->rect.top <= r.top &&
                  cover->rect.right >= r.right && cover->rect.bottom >= r.bottom)
          << "backdrop " << i;
    }
  }
  EXPECT_GT(backdrops, 100);
}

TEST(ChromePainter, EqualKeysDrawEqualPictures) {
  // A key that missed something that moves would show a stale copy.
  std::map<std::uint64_t, std::vector<DrawOp>> backdrops;
  std::map<std::uint64_t, std::pair<RectF, std::vector<DrawOp>>> sprites;
  int compared = 0;
  for (const auto& [s, size] : frames_to_compare()) {
    const RecordingCanvas c = paint(s, size[0], size[1], size[2]);
    for (size_t i = 0; i < c.ops.size(); ++i) {
      const DrawOp& op = c.ops[i];
      if (op.kind == DrawOpKind::backdrop) {
        const auto [it, fresh] = backdrops.try_emplace(op.key, drawn_by(c, i));
        if (fresh) continue;
        const std::vector<DrawOp> now = drawn_by(c, i);
        ASSERT_EQ(it->second.size(), now.size()) << "backdrop " << op.key;
        for (size_t k = 0; k < now.size(); ++k)
          EXPECT_TRUE(same_op(it->second[k], now[k])) << "backdrop op " << k;
        ++compared;
      } else if (op.kind == DrawOpKind::sprite) {
        const std::vector<DrawOp> now = drawn_by(c, i);
        for (const DrawOp& d : now) {
          // Half the stroke and a pixel of antialiasing (a DIP is at least one) around it.
          const bool stroked =
              d.kind != DrawOpKind::fill_ellipse && d.kind != DrawOpKind::fill_path;
          const float grow = (stroked ? d.value / 2 : 0) + 1;
          for (const Point p : shape_points(d)) {
            EXPECT_TRUE(op.rect.contains(p.x - grow, p.y - grow) &&
                        op.rect.contains(p.x + grow, p.y + grow))
                << "sprite drawing outside its bounds";
          }
        }
        const auto [it, fresh] = sprites.try_emplace(op.key, op.rect, now);
        if (fresh) continue;
        ASSERT_EQ(it->second.second.size(), now.size()) << "sprite " << op.key;
        const float dx = it->second.first.left - op.rect.left;
        const float dy = it->second.first.top - op.rect.top;
        for (size_t k = 0; k < now.size(); ++k)
          EXPECT_TRUE(same_op(it->second.second[k], now[k], dx, dy)) << "sprite op " << k;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 500);
  EXPECT_GT(backdrops.size(), 20u);
  EXPECT_GT(sprites.size(), 20u);
}

TEST(ChromePainter, OnlyTheGlowsOfAContentAreaThatFollowsTheMovingRailMayBeApproximate) {
  struct Case {
    const char* what;
    bool expanded;
    float rail_width;
    bool settling;
    bool fullscreen;
    bool welcome;
    bool loading;
    Fidelity fidelity;
  };
  const Case cases[] = {
      {"compact at rest", false, 0, false, false, false, false, Fidelity::exact},
      {"expanded at its target", true, 220, false, false, false, false, Fidelity::exact},
      {"on its way out", true, 142.5f, false, false, false, false, Fidelity::motion},
      {"on its way in", false, 142.5f, false, false, false, false, Fidelity::motion},
      {"just toggled, still at the old width", true, 64, false, false, false, false,
       Fidelity::motion},
      {"arrived on this tick", true, 220, true, false, false, false, Fidelity::motion},
      {"over a loading tab", true, 142.5f, false, false, false, true, Fidelity::motion},
      {"over a loading tab at rest", true, 220, false, false, false, true, Fidelity::exact},
      {"fullscreen, where the rail is not drawn", true, 142.5f, false, true, false, false,
       Fidelity::exact},
      {"the welcome gate", true, 142.5f, false, false, true, false, Fidelity::exact},
  };
  for (const Case& c : cases) {
    ChromeState s = one_tab();
    s.active_tab_is_launcher = !c.loading;
    s.active_tab_loading = c.loading;
    s.sidebar_expanded = c.expanded;
    s.rail_width = c.rail_width;
    s.rail_settling = c.settling;
    s.fullscreen = c.fullscreen;
    s.welcome_gate = c.welcome;
    const RecordingCanvas rc = paint(s);
    std::vector<Fidelity> glows;
    for (const DrawOp& op : rc.ops)
      if (op.kind == DrawOpKind::fill_radial) glows.push_back(op.fidelity);
    // The loading scene's pulse changes every frame but stays exact: under reduced motion it
    // stands still.
    const std::vector<Fidelity> expected = c.loading
                                               ? std::vector<Fidelity>{c.fidelity, Fidelity::exact}
                                               : std::vector<Fidelity>{c.fidelity};
    EXPECT_EQ(glows, expected) << c.what;
  }
}

TEST(ChromePainter, ABackdropDrawnInMotionNeverSharesAKeyWithASteadyOne) {
  // The rail just toggled open is still 64 wide: the content area is the compact one at rest,
  // but a copy of its approximate glow must never stand in for the exact one.
  ChromeState steady = one_tab();
  steady.active_tab_is_launcher = true;
  steady.sidebar_expanded = false;
  ChromeState moving = steady;
  moving.sidebar_expanded = true;
  moving.rail_width = 64;
  const auto glow_backdrop = [](const RecordingCanvas& c) {
    for (size_t i = 0; i < c.ops.size(); ++i) {
      if (c.ops[i].kind != DrawOpKind::backdrop) continue;
      for (const DrawOp& op : drawn_by(c, i))
        if (op.kind == DrawOpKind::fill_radial) return c.ops[i];
    }
    return DrawOp{};
  };
  const DrawOp a = glow_backdrop(paint(steady));
  const DrawOp b = glow_backdrop(paint(moving));
  ASSERT_EQ(a.kind, DrawOpKind::backdrop);
  ASSERT_EQ(b.kind, DrawOpKind::backdrop);
  EXPECT_EQ(a.rect, b.rect);
  EXPECT_NE(a.key, b.key);
}

TEST(ChromePainter, TheMovingBootSceneKeepsOneBackdrop) {
  ChromeState s = one_tab();
  s.startup_scene = true;
  s.active_tab_loading = true;
  std::vector<std::uint64_t> keys;
  for (float phase : {0.1f, 0.6f}) {
    s.spinner_phase = phase;
    const RecordingCanvas c = paint(s);
    for (const DrawOp& op : c.ops)
      if (op.kind == DrawOpKind::backdrop) keys.push_back(op.key);
  }
  // Title bar, rail and the scene's still part, the same in both frames.
  ASSERT_EQ(keys.size(), 6u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(keys[i], keys[i + 3]);
  // A faded scene draws into a layer and keeps no copy of its still part.
  s.boot_alpha = 0.5f;
  EXPECT_EQ(paint(s).count(DrawOpKind::backdrop), 2);
}

TEST(BootScene, TipsExistInBothLanguagesAndWrapAround) {
  for (int i = 0; i < kTipCount; ++i) {
    for (bool sv : {true, false}) {
      EXPECT_FALSE(tip_text(i, sv).empty()) << i;
      EXPECT_LE(tip_text(i, sv).size(), 96u) << i;
    }
  }
  EXPECT_EQ(tip_text(-1, false), tip_text(7, false));
  EXPECT_EQ(tip_text(-9, true), tip_text(7, true));
  EXPECT_EQ(tip_text(8, true), tip_text(0, true));
  EXPECT_NE(tip_text(0, true).find(u"Ctrl+K"), std::u16string_view::npos);
  EXPECT_NE(tip_text(0, false).find(u"Ctrl+K"), std::u16string_view::npos);
}

TEST(BootScene, FadeDrawsEverythingInOneLayerAndZeroDrawsOnlyTheBase) {
  ChromeState s;
  s.ui_swedish = false;
  s.startup_scene = true;
  s.boot_status_line = u"Opening workspace …";
  s.boot_alpha = 0.5f;
  const RectF r{0, 0, 1000, 800};
  RecordingCanvas half;
  paint_boot_scene(half, r, s);
  ASSERT_GT(half.ops.size(), 10u);
  EXPECT_EQ(half.ops[0].kind, DrawOpKind::fill_rect);
  EXPECT_EQ(half.ops[0].layer_depth, 0);
  int inside = 0;
  for (size_t i = 1; i < half.ops.size(); ++i) {
    const DrawOp& op = half.ops[i];
    if (op.kind == DrawOpKind::push_clip || op.kind == DrawOpKind::push_layer ||
        op.kind == DrawOpKind::pop_layer || op.kind == DrawOpKind::pop_clip) {
      continue;
    }
    EXPECT_FLOAT_EQ(op.layer_opacity, 0.5f) << static_cast<int>(op.kind);
    ++inside;
  }
  EXPECT_GT(inside, 20);
  EXPECT_NE(half.find_text(u"Opening workspace …"), nullptr);
  EXPECT_NE(half.find_text(u"DID YOU KNOW …"), nullptr);

  s.boot_alpha = 0;
  RecordingCanvas none;
  paint_boot_scene(none, r, s);
  ASSERT_EQ(none.ops.size(), 1u);
  EXPECT_EQ(none.ops[0].kind, DrawOpKind::fill_rect);
}

TEST(BootScene, UpdateSceneShowsVersionsAndADeterminateBar) {
  ChromeState s;
  s.update_scene = true;
  s.update_from_version = u"1.9.5";
  s.update_scene_text = u"Downloading update 1.9.5 … (62 %)";
  s.download_kilobytes = u"423 / 683 KB";
  s.download_progress = 0.62f;
  s.ui_swedish = false;
  RecordingCanvas rc;
  paint_boot_scene(rc, {0, 0, 1440, 900}, s);
  EXPECT_NE(rc.find_text(u"Updating Vantiro Studio"), nullptr);
  EXPECT_NE(rc.find_text(u"v1.9.4 → v1.9.5"), nullptr);
  EXPECT_NE(rc.find_text(u"Downloading update 1.9.5 … (62 %)"), nullptr);
  EXPECT_NE(rc.find_text(u"423 / 683 KB"), nullptr);
  // The bar ends at 62 % of the 260-DIP track.
  bool bar = false;
  for (const DrawOp& op : rc.ops) {
    bar |= op.kind == DrawOpKind::fill_round_rect && same_color(op.color, rgb(0xF1D4B1)) &&
           std::fabs(op.rect.right - (720 - 130 + 260 * 0.62f)) < 0.01;
  }
  EXPECT_TRUE(bar);
}

TEST(BootScene, ReducedMotionDrawsNoOrbitSweepOrIndeterminateBar) {
  ChromeState s;
  s.ui_swedish = false;
  s.active_tab_loading = true;
  s.title = u"Ped Editor";
  s.spinner_phase = 0.35f;
  RecordingCanvas moving;
  paint_boot_scene(moving, {0, 0, 1000, 700}, s);
  s.reduced_motion = true;
  RecordingCanvas still;
  paint_boot_scene(still, {0, 0, 1000, 700}, s);
  EXPECT_GE(moving.count(DrawOpKind::line) - still.count(DrawOpKind::line), 34);
  EXPECT_LT(still.count(DrawOpKind::fill_linear), moving.count(DrawOpKind::fill_linear));
  EXPECT_NE(still.find_text(u"Opening Ped Editor"), nullptr);
  EXPECT_NE(still.find_text(u"Preparing workspace …"), nullptr);
  EXPECT_EQ(still.find_text(u"DID YOU KNOW …"), nullptr);  // no tip outside the boot
}

}  // namespace
}  // namespace vantiro::chrome
