// The rows of a picture as the encoder reads them.
#pragma once

#include <cstdint>

#include "platform/raster.h"

namespace t2j {

// A picture's pixels, handed out row by row: each row is width × 3 bytes of 8-bit R, G, B.
class PictureRows {
 public:
  virtual ~PictureRows() = default;
  // Row y; rows are asked for from the top down. The bytes stay valid until the next call.
  // May fail with the failures of drawing the picture.
  virtual const uint8_t* Row(int32_t y) = 0;
};

// The rows of a whole raster.
class RasterRows final : public PictureRows {
 public:
  explicit RasterRows(const Raster& raster) : raster_(raster) {}
  const uint8_t* Row(int32_t y) override { return raster_.Row(y); }

 private:
  const Raster& raster_;
};

}  // namespace t2j
