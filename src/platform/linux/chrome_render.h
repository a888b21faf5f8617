#pragma once

// Off-screen renders of the chrome (the PNG screens, the visual check's bitmaps).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chrome/chrome_state.h"

namespace vantiro::platform {

struct ChromeImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top to bottom
};

// An image surface that frames are painted into again and again (the host's off-screen
// buffer, the benchmarks): each frame through a fresh context, as a window's draw handler gets
// one, and the same canvas, so what it keeps carries over from frame to frame.
class ChromeFrameRenderer {
 public:
  // Frames in motion may be drawn within chrome::kMotionTolerance of the exact picture unless
  // exact_only (a picture that is kept rather than replaced by the next frame).
  ChromeFrameRenderer(int width_px, int height_px, int dpi, bool exact_only = false);
  ~ChromeFrameRenderer();
  ChromeFrameRenderer(const ChromeFrameRenderer&) = delete;
  ChromeFrameRenderer& operator=(const ChromeFrameRenderer&) = delete;

  bool ok() const;
  // Lays out and paints one frame; false when the surface failed.
  bool paint(float inset_dip, const chrome::ChromeState& state);
  ChromeImage image() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Adds a fontconfig file (the aliases that let the chrome keep asking for its own family
// names) to the process's font configuration. False when it cannot be read.
bool load_font_aliases(const std::string& fontconfig_file);

// One exact frame for width x height pixels at dpi, laid out for width x 96 / dpi DIPs with the
// given inset in DIPs. False for empty sizes or a failed surface.
bool render_chrome_image(int width_px, int height_px, int dpi, float inset_dip,
                         const chrome::ChromeState& state, ChromeImage& out);

bool write_png(const ChromeImage& image, const std::string& path);

// The visual check's capture: render_chrome_image written as a 32-bit top-down BMP.
bool render_chrome_to_bmp(int width_px, int height_px, int dpi, float inset_dip,
                          const chrome::ChromeState& state, const std::string& path);

}  // namespace vantiro::platform
