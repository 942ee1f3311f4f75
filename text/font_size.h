// Font sizes as Windows derives them from LOGFONT's lfHeight.
#pragma once

#include <cstdint>
#include <optional>

namespace t2j {

// A face's vertical metrics in font units: the OS/2 usWinAscent and usWinDescent where the face
// has them, else hhea's. Descent is the distance below the baseline (positive).
struct FaceMetrics {
  int64_t units_per_em = 0;
  int64_t ascent = 0;
  int64_t descent = 0;
};

// The pixel size of a font: its character (em) height in 1/64 pixels, and its ascent and descent
// in whole pixels. The cell height is ascent + descent.
struct PixelSize {
  int64_t em_64ths = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t cell() const { return ascent + descent; }
};

// Largest character height the font engine draws (FreeType keeps pixel sizes in 16 bits).
inline constexpr int64_t kMaxEmPixels = 65535;

// The character height lfHeight 0 stands for.
inline constexpr int64_t kDefaultEmPixels = 16;

// The size for an lfHeight: < 0 asks for a character height of -lfHeight pixels, whose ascent and
// descent are the face's scaled to it and each rounded to the nearest pixel; > 0 asks for a cell
// height of lfHeight pixels, split into ascent and descent in the face's proportion, the
// character height following from it; 0 is a character height of kDefaultEmPixels. A character
// height below one pixel is drawn at one pixel. Nothing when the character height would exceed
// kMaxEmPixels or the metrics have no units per em.
std::optional<PixelSize> PixelSizeFor(int32_t lfHeight, const FaceMetrics& metrics);

}  // namespace t2j
