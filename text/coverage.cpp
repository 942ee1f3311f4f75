#include "text/coverage.h"

#include <algorithm>

namespace t2j {

void BlendCoverage(Raster& raster, int64_t left, int64_t top, const CoverageView& coverage, Rgb ink,
                   int64_t clip_right) {
  const int64_t right_limit = std::min<int64_t>(clip_right, raster.width());
  const int64_t x_begin = std::max<int64_t>(left, 0);
  const int64_t x_end = std::min<int64_t>(left + coverage.width, right_limit);
  const int64_t y_begin = std::max<int64_t>(top, 0);
  const int64_t y_end = std::min<int64_t>(top + coverage.rows, raster.height());
  if (x_begin >= x_end || y_begin >= y_end) return;

  for (int64_t y = y_begin; y < y_end; ++y) {
    const uint8_t* source = coverage.top_row + (y - top) * coverage.pitch + (x_begin - left);
    uint8_t* pixel = raster.Row(static_cast<int32_t>(y)) + x_begin * Raster::kBytesPerPixel;
    for (int64_t x = x_begin; x < x_end; ++x, ++source, pixel += Raster::kBytesPerPixel) {
      const uint8_t alpha = *source;
      if (alpha == 0) continue;
      if (alpha == 255) {
        pixel[0] = ink.r;
        pixel[1] = ink.g;
        pixel[2] = ink.b;
        continue;
      }
      pixel[0] = BlendChannel(pixel[0], ink.r, alpha);
      pixel[1] = BlendChannel(pixel[1], ink.g, alpha);
      pixel[2] = BlendChannel(pixel[2], ink.b, alpha);
    }
  }
}

CoverageMasks CoverageMasksOf(const CoverageView& coverage) {
  CoverageMasks masks;
  masks.full.assign(static_cast<size_t>(std::max(coverage.rows, 0)), 0);
  masks.partial.assign(masks.full.size(), 0);
  const int32_t width = std::min(coverage.width, CoverageMasks::kMaxWidth);
  for (int32_t row = 0; row < coverage.rows; ++row) {
    const uint8_t* values = coverage.top_row + static_cast<ptrdiff_t>(row) * coverage.pitch;
    for (int32_t x = 0; x < width; ++x) {
      const uint64_t bit = uint64_t{1} << x;
      if (values[x] == 255) {
        masks.full[row] |= bit;
      } else if (values[x] != 0) {
        masks.partial[row] |= bit;
      }
    }
  }
  return masks;
}

void BlendMasks(Raster& raster, int64_t left, int64_t top, const CoverageMasks& masks,
                const CoverageView& coverage, Rgb ink, int64_t clip_right) {
  const int64_t right_limit = std::min<int64_t>(clip_right, raster.width());
  const int64_t first_column = std::max<int64_t>(-left, 0);
  const int64_t end_column =
      std::min<int64_t>(std::min(coverage.width, CoverageMasks::kMaxWidth), right_limit - left);
  if (first_column >= end_column) return;
  const uint64_t upper = end_column >= 64 ? ~uint64_t{0} : (uint64_t{1} << end_column) - 1;
  const uint64_t columns = upper & ~((uint64_t{1} << first_column) - 1);
  const int64_t first_row = std::max<int64_t>(-top, 0);
  const int64_t end_row = std::min<int64_t>(coverage.rows, raster.height() - top);
  for (int64_t row = first_row; row < end_row; ++row) {
    uint64_t full = masks.full[row] & columns;
    uint64_t partial = masks.partial[row] & columns;
    if ((full | partial) == 0) continue;
    uint8_t* pixels = raster.Row(static_cast<int32_t>(top + row)) + left * Raster::kBytesPerPixel;
    while (full != 0) {
      uint8_t* pixel = pixels + __builtin_ctzll(full) * Raster::kBytesPerPixel;
      pixel[0] = ink.r;
      pixel[1] = ink.g;
      pixel[2] = ink.b;
      full &= full - 1;
    }
    const uint8_t* values = coverage.top_row + row * coverage.pitch;
    while (partial != 0) {
      const int x = __builtin_ctzll(partial);
      uint8_t* pixel = pixels + x * Raster::kBytesPerPixel;
      pixel[0] = BlendChannel(pixel[0], ink.r, values[x]);
      pixel[1] = BlendChannel(pixel[1], ink.g, values[x]);
      pixel[2] = BlendChannel(pixel[2], ink.b, values[x]);
      partial &= partial - 1;
    }
  }
}

}  // namespace t2j
