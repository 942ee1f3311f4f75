// Glyph coverage and its compositing: glyphs come as 8-bit coverage, and the text colour is
// blended over what the raster holds in a separate step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/color.h"
#include "platform/raster.h"

namespace t2j {

// A glyph's 8-bit coverage image: `rows` rows of `width` values, the top row at `top_row`, each
// next row `pitch` bytes further (negative for images stored bottom up). 0 is no ink, 255 full.
struct CoverageView {
  const uint8_t* top_row = nullptr;
  int32_t width = 0;
  int32_t rows = 0;
  ptrdiff_t pitch = 0;
};

// One channel: `ink` where coverage is 255, `under` where it is 0, linear in between, rounded to
// the nearest integer.
constexpr uint8_t BlendChannel(uint8_t under, uint8_t ink, uint8_t coverage) {
  const unsigned weighted = static_cast<unsigned>(ink) * coverage +
                            static_cast<unsigned>(under) * (255u - coverage) + 128u;
  return static_cast<uint8_t>((weighted + (weighted >> 8)) >> 8);
}

constexpr Rgb BlendPixel(Rgb under, Rgb ink, uint8_t coverage) {
  return Rgb{BlendChannel(under.r, ink.r, coverage), BlendChannel(under.g, ink.g, coverage),
             BlendChannel(under.b, ink.b, coverage)};
}

// Blends the coverage in `ink` over the raster, the image's top-left value at (left, top). Only
// pixels inside the raster and left of `clip_right` change.
void BlendCoverage(Raster& raster, int64_t left, int64_t top, const CoverageView& coverage, Rgb ink,
                   int64_t clip_right);

// A coverage image at most 64 values wide as bit masks, one of each per row: bit x of full[row]
// is set where the value is 255, of partial[row] where it lies between 1 and 254. Drawing
// visits only the inked pixels.
struct CoverageMasks {
  static constexpr int32_t kMaxWidth = 64;
  std::vector<uint64_t> full;
  std::vector<uint64_t> partial;
};

// The masks of an image no wider than CoverageMasks::kMaxWidth.
CoverageMasks CoverageMasksOf(const CoverageView& coverage);

// Blends as BlendCoverage does, the same pixels resulting, for an image given by its masks and
// its view (whose values the partial pixels take).
void BlendMasks(Raster& raster, int64_t left, int64_t top, const CoverageMasks& masks,
                const CoverageView& coverage, Rgb ink, int64_t clip_right);

}  // namespace t2j
