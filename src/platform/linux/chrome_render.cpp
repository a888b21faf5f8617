#include "platform/linux/chrome_render.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "chrome/bitmap_file.h"
#include "chrome/layout.h"
#include "chrome/painter.h"
#include "platform/linux/cairo_canvas.h"

namespace vantiro::platform {

bool load_font_aliases(const std::string& file) {
  FcConfig* config = FcConfigGetCurrent();
  if (!config) return false;
  if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue)) {
    return false;
  }
  return FcConfigBuildFonts(config) == FcTrue;
}

struct ChromeFrameRenderer::Impl {
  int width = 0;
  int height = 0;
  int dpi = 96;
  cairo_surface_t* surface = nullptr;
  std::unique_ptr<CairoCanvas> canvas;
  bool last_frame_ok = true;

  // A fresh context for each frame, like the one a window system hands its draw handler.
  cairo_t* frame_context() const {
    cairo_t* cr = cairo_create(surface);
    const double scale = static_cast<double>(dpi) / 96.0;
    cairo_scale(cr, scale, scale);
    return cr;
  }

  ~Impl() {
    canvas.reset();
    if (surface) cairo_surface_destroy(surface);
  }
};

ChromeFrameRenderer::ChromeFrameRenderer(int width_px, int height_px, int dpi, bool exact_only)
    : impl_(std::make_unique<Impl>()) {
  if (width_px <= 0 || height_px <= 0) return;
  impl_->width = width_px;
  impl_->height = height_px;
  impl_->dpi = dpi <= 0 ? 96 : dpi;
  impl_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_px, height_px);
  if (cairo_surface_status(impl_->surface) != CAIRO_STATUS_SUCCESS) return;
  cairo_t* cr = impl_->frame_context();
  impl_->last_frame_ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  if (impl_->last_frame_ok) {
    impl_->canvas = std::make_unique<CairoCanvas>(cr);
    impl_->canvas->set_exact_only(exact_only);
  }
  cairo_destroy(cr);
}

ChromeFrameRenderer::~ChromeFrameRenderer() = default;

bool ChromeFrameRenderer::ok() const {
  return impl_->canvas && impl_->last_frame_ok &&
         cairo_surface_status(impl_->surface) == CAIRO_STATUS_SUCCESS;
}

bool ChromeFrameRenderer::paint(float inset_dip, const chrome::ChromeState& state) {
  if (!ok()) return false;
  const float dpi = static_cast<float>(impl_->dpi);
  const float w = static_cast<float>(impl_->width) * 96.0f / dpi;
  const float h = static_cast<float>(impl_->height) * 96.0f / dpi;
  const chrome::LayoutResult layout = chrome::layout_chrome(w, h, inset_dip, state);
  cairo_t* cr = impl_->frame_context();
  impl_->canvas->retarget(cr);
  chrome::paint_chrome(*impl_->canvas, layout, state);
  impl_->last_frame_ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(impl_->surface);
  return ok();
}

ChromeImage ChromeFrameRenderer::image() const {
  ChromeImage out;
  if (!ok()) return out;
  out.width = impl_->width;
  out.height = impl_->height;
  out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  const unsigned char* data = cairo_image_surface_get_data(impl_->surface);
  const int stride = cairo_image_surface_get_stride(impl_->surface);
  for (int y = 0; y < out.height; ++y) {
    std::memcpy(&out.pixels[static_cast<size_t>(y) * static_cast<size_t>(out.width)],
                data + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(out.width) * 4);
  }
  return out;
}

bool render_chrome_image(int width_px, int height_px, int dpi, float inset_dip,
                         const chrome::ChromeState& state, ChromeImage& out) {
  if (width_px <= 0 || height_px <= 0) return false;
  ChromeFrameRenderer renderer(width_px, height_px, dpi, true);
  if (!renderer.paint(inset_dip, state)) return false;
  out = renderer.image();
  return true;
}

bool write_png(const ChromeImage& image, const std::string& path) {
  if (image.width <= 0 || image.height <= 0) return false;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels.data())),
      CAIRO_FORMAT_ARGB32, image.width, image.height, image.width * 4);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool render_chrome_to_bmp(int width_px, int height_px, int dpi, float inset_dip,
                          const chrome::ChromeState& state, const std::string& path) {
  ChromeImage image;
  if (!render_chrome_image(width_px, height_px, dpi, inset_dip, state, image)) return false;
  const std::string bytes = chrome::encode_top_down_bmp(image.width, image.height, image.pixels);
  if (bytes.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace vantiro::platform
