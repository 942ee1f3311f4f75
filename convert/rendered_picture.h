#pragma once

#include <cstdint>

#include "platform/raster.h"

namespace t2j {

// A picture's nominal size and its pixels. The raster is present only while both Width and
// Height are positive; a picture with a zero (or negative) dimension is empty but keeps its size.
// The pixels are shared read-only, so copies of the picture (the encoder's, the preview's) cost
// nothing and never see each other's changes.
struct RenderedPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  SharedRaster Pixels;

  bool Empty() const { return Pixels == nullptr; }
};

}  // namespace t2j
