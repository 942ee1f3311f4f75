// Colour glyphs (emoji bitmap strikes, layered colour outlines): premultiplied BGRA images
// composited over the raster, scaled to the text's size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/raster.h"

namespace t2j {

// A premultiplied BGRA image: `rows` rows of `width` pixels, the top row at `top_row`, each next
// row `pitch` bytes further.
struct ColorImage {
  const uint8_t* top_row = nullptr;
  int32_t width = 0;
  int32_t rows = 0;
  ptrdiff_t pitch = 0;
};

// A rectangle of the raster, [left, right) × [top, bottom).
struct ClipBox {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

// Composites the image, scaled by `scale` (> 0) with its top-left corner at (left, top), over the
// raster. Each pixel takes the area-weighted average of the image pixels it covers, so that a
// downscaled image stays smooth. Only pixels inside both the raster and `clip` change.
void CompositeColor(Raster& raster, double left, double top, double scale, const ColorImage& image,
                    const ClipBox& clip);

}  // namespace t2j
