// Fonts: what stands in for LOGFONT, CreateFontIndirect, GetTextExtentPoint32 and ExtTextOut.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/color.h"
#include "platform/raster.h"

namespace t2j {

// The description of a font, field by field as the Windows structure has it. The face name is
// UTF-8 and already cut to the length that reaches the font.
struct LogFont {
  int32_t lfHeight = 0;  // < 0: character (em) height in pixels; > 0: cell height; 0: default
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 400;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 1;  // DEFAULT_CHARSET
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  std::string lfFaceName;
  // Beyond the Windows structure: a font file that draws instead of the face name's font, and
  // which of its faces (0 for a single font or a collection's first face).
  std::string font_file;
  int32_t font_face_index = 0;
};

// The size of a measured string: the sum of its characters' advance widths, and the font's cell
// height (ascent + descent) whatever the string.
struct TextExtent {
  int64_t cx = 0;
  int32_t cy = 0;
};

// Rows [top, bottom), counted from a draw's y downwards.
struct RowSpan {
  int64_t top = 0;
  int64_t bottom = 0;
};

// The span a font gives when it cannot tell which rows a draw reaches.
constexpr RowSpan kEveryRow{-(int64_t{1} << 62), int64_t{1} << 62};

// Pixels [left, right) × [top, bottom), counted from a draw's (x, y).
struct InkBox {
  int64_t left = 0;
  int64_t right = 0;
  int64_t top = 0;
  int64_t bottom = 0;
  bool Empty() const { return left >= right || top >= bottom; }
};

// A created font. Measuring and drawing take UTF-8 text; every character is measured and drawn
// through the face that covers it (the chosen face first, then the fallback faces).
class TextFont {
 public:
  virtual ~TextFont() = default;

  virtual TextExtent Measure(std::string_view text) const = 0;

  // Draws the text in opaque mode: the cell (x, y) to (x + measured width, y + cell height) is
  // filled with `background`, then the glyphs are drawn in `color`, the first cell's top-left
  // corner at (x, y) and the baseline at y + ascent. Nothing is drawn at or right of
  // `clip_right`, nor outside the raster.
  virtual void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                    Rgb background, int64_t clip_right) const = 0;

  // Draws only the glyphs, as Draw does but without filling the cell first: what the raster
  // holds under the cell stays where no glyph covers it. A font whose glyphs never leave their
  // cell may draw as Draw does with a white background.
  virtual void DrawOver(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                        int64_t clip_right) const {
    Draw(raster, x, y, text, color, Rgb{255, 255, 255}, clip_right);
  }

  // The box of the pixels that Draw of this text colours with its glyphs: the image boxes of the
  // glyphs as drawn. Empty when the text has no ink, or the font cannot tell (then its glyphs
  // stay inside the cell).
  virtual InkBox Ink(std::string_view) const { return InkBox{}; }

  // The rows that Draw of this text can change: its cell and all its glyphs' ink, or more, but
  // never less. Lets a caller draw a picture in bands, each with only the lines that reach it.
  virtual RowSpan DrawnRows(std::string_view) const { return kEveryRow; }

  // The characters of the text that no installed font has, in order, repeats included; they are
  // drawn as the font's missing-glyph box, or marks that the face drawing their base character
  // lacks. Controls and default-ignorable characters are not counted.
  virtual std::vector<char32_t> Uncovered(std::string_view) const { return {}; }
};

// Makes fonts from their description. Fails with ECanvasError when no font at all can be had.
class FontEngine {
 public:
  virtual ~FontEngine() = default;
  virtual std::unique_ptr<TextFont> CreateFont(const LogFont& log_font) = 0;
};

// The engine over fontconfig and FreeType, made on first use and kept for the run.
FontEngine& SystemFontEngine();

// A further engine over fontconfig and FreeType with its own FreeType library, faces and glyphs,
// drawing exactly as SystemFontEngine does. An engine and its fonts must be used by one thread
// at a time; different engines may be used by different threads at once.
std::unique_ptr<FontEngine> NewSystemFontEngine();

// True when fontconfig knows a family of exactly this name (letter case ignored).
bool IsInstalledFamily(std::string_view family);

}  // namespace t2j
