#include "text/mainland_punctuation.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace t2j {
namespace {

// The ink's columns [left, right) and its top row, counted up from the baseline.
struct InkBox {
  int64_t left = 0;
  int64_t right = 0;
  int64_t top = 0;
};

std::optional<InkBox> InkOf(FT_GlyphSlot slot) {
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    return InkBox{box.xMin >> 6, (box.xMax + 63) >> 6, (box.yMax + 63) >> 6};
  }
  if (slot->format != FT_GLYPH_FORMAT_BITMAP) return std::nullopt;
  // A strike's image may be the whole em box: the ink is what counts.
  const FT_Bitmap& bitmap = slot->bitmap;
  const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return std::nullopt;
  std::optional<InkBox> ink;
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    for (unsigned x = 0; x < bitmap.width; ++x) {
      if (mono ? (row[x >> 3] & (0x80 >> (x & 7))) == 0 : row[x] == 0) continue;
      const int64_t column = slot->bitmap_left + int64_t{x};
      if (!ink) ink = InkBox{column, column + 1, slot->bitmap_top - int64_t{y}};
      ink->left = std::min(ink->left, column);
      ink->right = std::max(ink->right, column + 1);
    }
  }
  return ink;
}

}  // namespace

std::optional<PunctuationShift> MainlandShift(FT_GlyphSlot slot, PunctuationPlace place,
                                              int64_t em) {
  const std::optional<InkBox> ink = InkOf(slot);
  if (!ink) return std::nullopt;
  const int64_t left = std::max<int64_t>(
      std::lround(static_cast<double>(em) / 4 - static_cast<double>(ink->right - ink->left) / 2),
      (em + 8) / 16);
  PunctuationShift shift;
  shift.right = static_cast<int32_t>(left - ink->left);
  if (place == PunctuationPlace::kLowerLeft)
    shift.up = static_cast<int32_t>((em + 2) / 4 - ink->top);
  return shift;
}

}  // namespace t2j
