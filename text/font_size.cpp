#include "text/font_size.h"

#include <algorithm>

namespace t2j {
namespace {

// numerator ÷ denominator to the nearest integer, halves up; both non-negative.
int64_t RoundDiv(int64_t numerator, int64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

}  // namespace

std::optional<PixelSize> PixelSizeFor(int32_t lfHeight, const FaceMetrics& metrics) {
  if (metrics.units_per_em <= 0) return std::nullopt;
  const int64_t upem = metrics.units_per_em;
  int64_t ascent = std::max<int64_t>(metrics.ascent, 0);
  int64_t descent = std::max<int64_t>(metrics.descent, 0);
  if (ascent + descent == 0) ascent = upem;

  PixelSize size;
  if (lfHeight > 0) {
    const int64_t cell = lfHeight;
    const int64_t total = ascent + descent;
    size.em_64ths = RoundDiv(cell * upem * 64, total);
    size.ascent = static_cast<int32_t>(RoundDiv(cell * ascent, total));
    size.descent = static_cast<int32_t>(cell - size.ascent);
  } else {
    const int64_t em = lfHeight == 0 ? kDefaultEmPixels : -static_cast<int64_t>(lfHeight);
    if (em > kMaxEmPixels) return std::nullopt;
    size.em_64ths = em * 64;
    const int64_t scaled_ascent = RoundDiv(ascent * em, upem);
    const int64_t scaled_descent = RoundDiv(descent * em, upem);
    if (scaled_ascent + scaled_descent > INT32_MAX) return std::nullopt;
    size.ascent = static_cast<int32_t>(scaled_ascent);
    size.descent = static_cast<int32_t>(scaled_descent);
  }
  if (size.em_64ths > kMaxEmPixels * 64) return std::nullopt;
  size.em_64ths = std::max<int64_t>(size.em_64ths, 64);
  return size;
}

}  // namespace t2j
