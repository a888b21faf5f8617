#include "platform/linux/chrome_render.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <fstream>

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

bool render_chrome_image(int width_px, int height_px, int dpi, float inset_dip,
                         const chrome::ChromeState& state, ChromeImage& out) {
  if (width_px <= 0 || height_px <= 0) return false;
  if (dpi <= 0) dpi = 96;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_px, height_px);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_t* cr = cairo_create(surface);
  const double scale = static_cast<double>(dpi) / 96.0;
  cairo_scale(cr, scale, scale);
  {
    CairoCanvas canvas(cr);
    const float w = static_cast<float>(width_px) * 96.0f / static_cast<float>(dpi);
    const float h = static_cast<float>(height_px) * 96.0f / static_cast<float>(dpi);
    const chrome::LayoutResult layout = chrome::layout_chrome(w, h, inset_dip, state);
    chrome::paint_chrome(canvas, layout, state);
  }
  const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (ok) {
    out.width = width_px;
    out.height = height_px;
    out.pixels.resize(static_cast<size_t>(width_px) * static_cast<size_t>(height_px));
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height_px; ++y) {
      std::memcpy(&out.pixels[static_cast<size_t>(y) * static_cast<size_t>(width_px)],
                  data + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width_px) * 4);
    }
  }
  cairo_surface_destroy(surface);
  return ok;
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
