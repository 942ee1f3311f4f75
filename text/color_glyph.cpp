#include "text/color_glyph.h"

#include <algorithm>
#include <cmath>

namespace t2j {

void CompositeColor(Raster& raster, double left, double top, double scale, const ColorImage& image,
                    const ClipBox& clip) {
  if (!(scale > 0) || image.width <= 0 || image.rows <= 0) return;
  const double right = left + image.width * scale;
  const double bottom = top + image.rows * scale;
  const int64_t x_begin = std::max<int64_t>({clip.left, 0, static_cast<int64_t>(std::floor(left))});
  const int64_t x_end =
      std::min<int64_t>({clip.right, raster.width(), static_cast<int64_t>(std::ceil(right))});
  const int64_t y_begin = std::max<int64_t>({clip.top, 0, static_cast<int64_t>(std::floor(top))});
  const int64_t y_end =
      std::min<int64_t>({clip.bottom, raster.height(), static_cast<int64_t>(std::ceil(bottom))});
  if (x_begin >= x_end || y_begin >= y_end) return;

  for (int64_t y = y_begin; y < y_end; ++y) {
    // The image rows the pixel row covers, in image units.
    const double v0 = std::max(0.0, (static_cast<double>(y) - top) / scale);
    const double v1 = std::min<double>(image.rows, (static_cast<double>(y) + 1 - top) / scale);
    if (v1 <= v0) continue;
    uint8_t* pixel = raster.Row(static_cast<int32_t>(y)) + x_begin * Raster::kBytesPerPixel;
    for (int64_t x = x_begin; x < x_end; ++x, pixel += Raster::kBytesPerPixel) {
      const double u0 = std::max(0.0, (static_cast<double>(x) - left) / scale);
      const double u1 = std::min<double>(image.width, (static_cast<double>(x) + 1 - left) / scale);
      if (u1 <= u0) continue;
      double sum[4] = {0, 0, 0, 0};
      for (int32_t sy = static_cast<int32_t>(v0); sy < v1; ++sy) {
        const double wy = std::min<double>(sy + 1, v1) - std::max<double>(sy, v0);
        const uint8_t* row = image.top_row + sy * image.pitch;
        for (int32_t sx = static_cast<int32_t>(u0); sx < u1; ++sx) {
          const double w = wy * (std::min<double>(sx + 1, u1) - std::max<double>(sx, u0));
          const uint8_t* source = row + sx * 4;
          for (int k = 0; k < 4; ++k) sum[k] += w * source[k];
        }
      }
      // The pixel's share of the image: edge pixels the image only partly covers stay partly
      // what they were.
      const double area = 1.0 / (scale * scale);
      const double alpha = std::min(255.0, sum[3] / area);
      if (alpha <= 0) continue;
      const double keep = 1.0 - alpha / 255.0;
      const uint8_t b = sum[0] / area > 255 ? 255 : static_cast<uint8_t>(sum[0] / area + 0.5);
      const uint8_t g = sum[1] / area > 255 ? 255 : static_cast<uint8_t>(sum[1] / area + 0.5);
      const uint8_t r = sum[2] / area > 255 ? 255 : static_cast<uint8_t>(sum[2] / area + 0.5);
      pixel[0] = static_cast<uint8_t>(std::min(255.0, r + pixel[0] * keep + 0.5));
      pixel[1] = static_cast<uint8_t>(std::min(255.0, g + pixel[1] * keep + 0.5));
      pixel[2] = static_cast<uint8_t>(std::min(255.0, b + pixel[2] * keep + 0.5));
    }
  }
}

}  // namespace t2j
