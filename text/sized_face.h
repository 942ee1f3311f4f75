// A face of a font file at one pixel size: its glyphs' advances and ink, rendered once and kept,
// and drawn onto a raster. Only the text engine sees FreeType.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_SIZES_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/color.h"
#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/raster.h"
#include "text/color_glyph.h"
#include "text/coverage.h"
#include "text/font_engine.h"
#include "text/font_resolver.h"
#include "text/font_size.h"
#include "text/mainland_punctuation.h"
#include "text/text_shaping.h"

namespace t2j {

struct LibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;

struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

struct SizeDeleter {
  void operator()(FT_Size size) const { FT_Done_Size(size); }
};
using SizePtr = std::unique_ptr<FT_SizeRec_, SizeDeleter>;

// A converted bitmap, released with the library that made it.
class BitmapHolder {
 public:
  explicit BitmapHolder(FT_Library library) : library_(library) { FT_Bitmap_Init(&bitmap_); }
  ~BitmapHolder() { FT_Bitmap_Done(library_, &bitmap_); }
  BitmapHolder(const BitmapHolder&) = delete;
  BitmapHolder& operator=(const BitmapHolder&) = delete;
  FT_Bitmap* get() { return &bitmap_; }

 private:
  FT_Library library_;
  FT_Bitmap bitmap_;
};

// Glyph images up to this size are kept for the font's lifetime; larger ones are rendered for
// each draw and dropped.
constexpr size_t kMaxCachedGlyphBytes = 256 * 1024;
// Up to this character height a glyph is rendered as soon as it is first measured, saving a
// second load when it is drawn.
constexpr int64_t kEagerRenderMaxEm64ths = 256 * 64;
// Glyph images above this size are only rendered when the memory for them is there.
constexpr uint64_t kCheckedGlyphBytes = 64ull * 1024 * 1024;

std::string FreeTypeErrorText(FT_Error error);

[[noreturn]] void FailNoMemory();

// A face's vertical metrics as Windows reads them.
FaceMetrics MetricsOf(FT_Face face);

class Library {
 public:
  Library() {
    FT_Library library = nullptr;
    const FT_Error error = FT_Init_FreeType(&library);
    if (error != 0) {
      throw ECanvasError(Msg("cannot start the font engine (%s)", {FreeTypeErrorText(error)}));
    }
    library_.reset(library);
  }
  FT_Library get() const { return library_.get(); }

 private:
  LibraryPtr library_;
};

// One face of a font file, opened once and shared by every font drawn with it.
struct Face {
  std::shared_ptr<Library> library;  // outlives the face
  FacePtr face;
  FaceMetrics metrics;
};

struct Glyph {
  // kUncached: too large to keep, rendered again for every draw that shows it. kColor: a
  // premultiplied BGRA image in `coverage`, 4 bytes a pixel, at the face's own strike size.
  enum class Image : uint8_t { kNotRendered, kCached, kUncached, kEmpty, kColor };
  FT_UInt index = 0;
  int32_t advance = 0;
  int32_t shift_x = 0;   // where the image moves from the face's own place: right
  int32_t shift_up = 0;  // and up
  // The pixels the image covers, from the pen position on the baseline: right and down. Exact
  // once the image is rendered at the first load; the outline's box before (one pixel more
  // each way for monochrome images). Empty for no ink.
  InkBox ink;
  Image image = Image::kNotRendered;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t rows = 0;
  std::vector<uint8_t> coverage;  // rows × width values
  CoverageMasks masks;            // for glyphs up to CoverageMasks::kMaxWidth wide

  CoverageView view() const { return CoverageView{coverage.data(), width, rows, width}; }
  ColorImage color_view() const { return ColorImage{coverage.data(), width, rows, width * 4}; }
};

// The rows an outline's image can reach, from the baseline downwards.
RowSpan OutlineRows(const FT_Outline& outline);

// The visible area of one draw: x in [0, right_limit), y in [0, bottom).
struct Visible {
  int64_t right_limit = 0;
  int64_t bottom = 0;
};

// The cell of the font a fallback face draws for, which colour glyphs are scaled to fit: pixels
// above and below the baseline.
struct CellFit {
  int64_t ascent = 0;
  int64_t descent = 0;
};

// A face at one pixel size, with the glyphs rendered at it so far.
class SizedFace {
 public:
  // Nothing when FreeType refuses the size; `error` then says why. A colour bitmap strike is
  // scaled to the character height, or further down until its line fits `fit`, and raised or
  // lowered into it.
  static std::unique_ptr<SizedFace> Make(std::shared_ptr<Face> face, const RenderOptions& options,
                                         int64_t em_64ths, FT_Error& error,
                                         const std::optional<CellFit>& fit = std::nullopt);

  // The face for HarfBuzz, at the drawn size.
  const ShapingFont& Shaping() {
    if (!shaping_) shaping_ = std::make_unique<ShapingFont>(face_->face.get(), em_64ths_);
    return *shaping_;
  }

  bool IsColor() const { return FT_HAS_COLOR(face_->face.get()); }
  double scale() const { return scale_; }
  // HarfBuzz reads OpenType faces only; the others are drawn character by character.
  bool CanShape() const { return FT_IS_SFNT(face_->face.get()); }

  // Moves the face's centred full-width punctuation to where mainland Chinese text has it.
  void UseMainlandPunctuation();

  FT_UInt IndexOf(char32_t c) const {
    return FT_Get_Char_Index(face_->face.get(), static_cast<FT_ULong>(c));
  }

  // The glyph with its advance; a glyph that cannot be loaded has no advance and no ink.
  Glyph* GlyphAt(FT_UInt index);

  void DrawGlyph(Glyph& glyph, Raster& raster, int64_t pen_x, int64_t baseline, Rgb ink,
                 const Visible& visible);

 private:
  SizedFace(std::shared_ptr<Face> face, SizePtr size, const RenderOptions& options);

  FT_GlyphSlot Slot() const { return face_->face->glyph; }

  bool Load(FT_UInt index);

  // Renders the glyph in the slot into 8-bit coverage. A small image is cached in the glyph (and
  // nothing is returned); a larger one is returned as a view into the slot or into `scratch`,
  // valid until the next load. Fails with EOutOfResources when memory runs out.
  std::optional<CoverageView> RenderLoaded(Glyph& glyph, BitmapHolder* scratch);

  // The box of a colour image as drawn, scaled and raised.
  InkBox ColorInk(const Glyph& glyph) const;

  std::shared_ptr<Face> face_;  // declared before the size, which must go first
  SizePtr size_;
  int32_t load_flags_ = FT_LOAD_DEFAULT;
  FT_Render_Mode render_mode_ = FT_RENDER_MODE_NORMAL;
  bool eager_render_ = true;
  int64_t em_64ths_ = 64;
  double scale_ = 1.0;     // from the face's own size to the drawn one
  double color_rise_ = 0;  // pixels that colour images are raised to fit the cell
  std::unique_ptr<ShapingFont> shaping_;
  std::unordered_map<FT_UInt, PunctuationPlace> punctuation_;
  std::unordered_map<FT_UInt, std::unique_ptr<Glyph>> glyphs_;
};

}  // namespace t2j
