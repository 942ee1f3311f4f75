#pragma once

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "convert/jpeg_image.h"
#include "convert/picture_rows.h"
#include "convert/render_settings.h"
#include "convert/rendered_picture.h"
#include "text/font_engine.h"

namespace t2j {

// The height h of every line's cell in a picture drawn with the font: the height measured for "a".
int32_t CellHeight(const TextFont& font);

// Draws the lines onto a new picture of the background colour (white by default), one line per
// cell of the font's cell height h (the height measured for "a"), each line at
// (Margin + its offset, Margin + i × (h + LineSpacing)); the offset is 0 for left alignment, and
// for center or right alignment the room the widest line leaves beside the line, halved (rounded
// down) or whole.
//   Width  = 2 × Margin + the widest line, or 0 when no line has a positive width;
//   Height = n × (h + LineSpacing) − LineSpacing + 2 × Margin.
// Where glyphs' ink reaches outside the picture so made (accents above the first line,
// descenders below the last, overhangs left of the margin), and Margin is not negative, the
// picture grows on that side by exactly the rows or columns the ink needs, and everything moves
// with it. Each line's cell is filled with the background before its glyphs are drawn only where
// cells overlap (LineSpacing < 0, the later line covering the earlier); otherwise ink reaching into
// the next line's cell stays. The raster is made once at the final size. Fails with
// EOutOfResources, before drawing anything, when a size is negative while the other is not zero,
// does not fit into 32 bits, or the raster would not fit into available memory. A picture with a
// side over kMaxJpegSide gets no raster: the encoder refuses it anyway, and its memory could be
// many gigabytes.
RenderedPicture RenderText(const std::vector<std::string>& lines, const RenderSettings& settings,
                           FontEngine& engine, int32_t pixels_per_inch);

// The size a caller holds a picture to (the command-line tool's width and page height): the
// picture grows for its ink up to it, not beyond, and ink past it is cut at that edge.
struct SizeBounds {
  int32_t width = std::numeric_limits<int32_t>::max();
  int32_t height = std::numeric_limits<int32_t>::max();
};

// The measuring half of RenderText: the picture's size and every line's place and clip, with
// RenderText's size failures, but no raster. It then draws any band of rows of that picture, the
// same pixels as RenderText's. The lines must outlive the layout.
class TextLayout {
 public:
  TextLayout(const std::vector<std::string>& lines, const RenderSettings& settings,
             FontEngine& engine, int32_t pixels_per_inch, const SizeBounds& bounds = {});
  TextLayout(std::vector<std::string>&&, const RenderSettings&, FontEngine&, int32_t,
             const SizeBounds& = {}) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // True when the picture has no pixels (a side that is not positive).
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // The most rows that any one line's drawing reaches, at most Height().
  int32_t TallestLine() const { return tallest_line_; }

  // The colour of every pixel that no line's cell covers.
  Rgb Background() const { return background_; }

  // Draws rows [top, top + band.height()) of the picture onto `band`, which must be Width() wide
  // and filled with Background(): every line that reaches those rows, in line order.
  void DrawRows(Raster& band, int32_t top) const;

  // The characters of the lines that no installed font has (drawn as the font's missing-glyph
  // box), each once, in the order they first appear.
  std::vector<char32_t> UncoveredCharacters() const;

 private:
  struct Line {
    int64_t x = 0;  // from the first cell's left edge: the alignment's offset
    int64_t y = 0;
    int32_t clip_right = 0;
    RowSpan rows;  // of the picture that the line's drawing reaches
  };

  // Grows the picture on each side to hold every line's ink; sets the origin.
  void GrowForInk(const SizeBounds& bounds);

  const std::vector<std::string>& lines_;
  std::unique_ptr<TextFont> font_;
  Rgb color_;
  Rgb background_;
  int64_t margin_ = 0;
  int64_t pitch_ = 0;
  // Where the first line's cell starts: (Margin, Margin) unless the picture grew for ink.
  int64_t origin_x_ = 0;
  int64_t origin_y_ = 0;
  bool draw_over_ = false;  // cells do not overlap: no cell is filled
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t tallest_line_ = 0;
  // How far any line reaches above and below its y.
  int64_t reach_up_ = 0;
  int64_t reach_down_ = 0;
  std::vector<Line> placed_;
};

// Names uncovered characters for a warning: "U+17000 𗀀" each, the first ten of them, then how
// many more there are. Empty for none.
std::string UncoveredCharactersText(const std::vector<char32_t>& characters);

// The rows of a laid-out picture for the encoder, drawn a band of rows at a time into one raster
// that is reused, so the whole picture never needs its memory.
class BandedRows final : public PictureRows {
 public:
  // The band's pixel budget; a band holds at least the tallest line, so no line is drawn more
  // than twice.
  static constexpr uint64_t kBandBytes = 256 * 1024;

  // Makes the band: `band_rows` rows, or when 0 the rows the budget gives. Fails with
  // EOutOfResources when the band would not fit into available memory. Nothing is made for an
  // empty layout, nor for one with a side over `max_side`, which the encoder refuses. The layout
  // must outlive the rows.
  explicit BandedRows(const TextLayout& layout, int32_t band_rows = 0,
                      int32_t max_side = kMaxJpegSide);

  const uint8_t* Row(int32_t y) override;

 private:
  const TextLayout& layout_;
  std::unique_ptr<Raster> band_;
  int32_t band_top_ = 0;
  bool drawn_ = false;
};

}  // namespace t2j
