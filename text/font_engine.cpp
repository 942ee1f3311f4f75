#include "text/font_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/failure.h"
#include "platform/system_error.h"
#include "text/color_glyph.h"
#include "text/coverage.h"
#include "text/font_resolver.h"
#include "text/font_size.h"
#include "text/mainland_punctuation.h"
#include "text/text_shaping.h"

namespace t2j {
namespace {

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

// SimSun's and its siblings' vertical metrics: the cell is the em, the baseline 2/16 above its
// bottom.
constexpr FaceMetrics kWindowsCjkMetrics{16, 14, 2};

std::string FreeTypeErrorText(FT_Error error) { return "FreeType 错误 " + std::to_string(error); }

[[noreturn]] void FailNoMemory() { throw EOutOfResources(SystemErrorText(ENOMEM)); }

int32_t RoundedAdvance(FT_Pos advance_64ths) {
  return static_cast<int32_t>((advance_64ths + 32) >> 6);
}

FaceMetrics MetricsOf(FT_Face face) {
  FaceMetrics metrics;
  metrics.units_per_em = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    metrics.ascent = os2->usWinAscent;
    metrics.descent = os2->usWinDescent;
    return metrics;
  }
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (hhea != nullptr && hhea->Ascender - hhea->Descender > 0) {
    metrics.ascent = hhea->Ascender;
    metrics.descent = -hhea->Descender;
    return metrics;
  }
  metrics.ascent = face->ascender;
  metrics.descent = -face->descender;
  return metrics;
}

class Library {
 public:
  Library() {
    FT_Library library = nullptr;
    const FT_Error error = FT_Init_FreeType(&library);
    if (error != 0) {
      throw ECanvasError("无法初始化字体引擎（" + FreeTypeErrorText(error) + "）");
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
  RowSpan ink;           // rows the image can reach, from the baseline downwards; empty for no ink
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

// The rows an outline's image can reach, from the baseline downwards. FreeType's image lies
// inside the outline's box rounded out to whole pixels, except that a monochrome image of a
// box thinner than a pixel grows by one; the span allows that row on either side.
RowSpan OutlineRows(const FT_Outline& outline) {
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  return RowSpan{-((box.yMax + 63) >> 6) - 1, -(box.yMin >> 6) + 1};
}

// The rows the glyph loaded into the slot can reach, from the baseline downwards.
RowSpan LoadedInkRows(FT_GlyphSlot slot) {
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) return OutlineRows(slot->outline);
  if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
    return RowSpan{-slot->bitmap_top, int64_t{slot->bitmap.rows} - slot->bitmap_top};
  }
  return kEveryRow;
}

// The visible area of one draw: x in [0, right_limit), y in [0, bottom). Colour glyphs stay
// inside the line's cell as well.
struct Visible {
  int64_t right_limit = 0;
  int64_t bottom = 0;
  ClipBox cell;
};

// A face at one pixel size, with the glyphs rendered at it so far.
class SizedFace {
 public:
  // Nothing when FreeType refuses the size; `error` then says why.
  static std::unique_ptr<SizedFace> Make(std::shared_ptr<Face> face, const RenderOptions& options,
                                         int64_t em_64ths, FT_Error& error) {
    FT_Size size = nullptr;
    error = FT_New_Size(face->face.get(), &size);
    if (error != 0) return nullptr;
    std::unique_ptr<SizedFace> sized(new SizedFace(std::move(face), SizePtr(size), options));
    FT_Face ft_face = sized->face_->face.get();
    error = FT_Activate_Size(size);
    if (error != 0) return nullptr;
    if (FT_IS_SCALABLE(ft_face)) {
      error = FT_Set_Char_Size(ft_face, 0, static_cast<FT_F26Dot6>(em_64ths), 72, 72);
    } else if (ft_face->num_fixed_sizes > 0) {
      int best = 0;
      for (int i = 1; i < ft_face->num_fixed_sizes; ++i) {
        if (std::llabs(ft_face->available_sizes[i].y_ppem - em_64ths) <
            std::llabs(ft_face->available_sizes[best].y_ppem - em_64ths)) {
          best = i;
        }
      }
      error = FT_Select_Size(ft_face, best);
      // Colour bitmap strikes (emoji) are scaled to the text's size when drawn.
      const FT_Pos strike = ft_face->available_sizes[best].y_ppem;
      if (error == 0 && FT_HAS_COLOR(ft_face) && strike > 0) {
        sized->scale_ = static_cast<double>(em_64ths) / static_cast<double>(strike);
      }
    } else {
      error = FT_Err_Invalid_Pixel_Size;
    }
    if (error != 0) return nullptr;
    sized->eager_render_ = em_64ths <= kEagerRenderMaxEm64ths;
    sized->em_64ths_ = em_64ths;
    if (FT_HAS_COLOR(ft_face)) sized->load_flags_ |= FT_LOAD_COLOR;
    return sized;
  }

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
  void UseMainlandPunctuation() {
    for (const auto& [c, place] : kMainlandPunctuation) {
      if (const FT_UInt index = IndexOf(c); index != 0) punctuation_[index] = place;
    }
  }

  FT_UInt IndexOf(char32_t c) const {
    return FT_Get_Char_Index(face_->face.get(), static_cast<FT_ULong>(c));
  }

  // The glyph with its advance; a glyph that cannot be loaded has no advance and no ink.
  Glyph* GlyphAt(FT_UInt index) {
    auto [it, inserted] = glyphs_.try_emplace(index);
    if (inserted) {
      it->second = std::make_unique<Glyph>();
      Glyph& glyph = *it->second;
      glyph.index = index;
      if (Load(index)) {
        glyph.advance =
            RoundedAdvance(static_cast<FT_Pos>(std::lround(Slot()->advance.x * scale_)));
        glyph.ink = LoadedInkRows(Slot());
        if (scale_ != 1.0) {
          glyph.ink = RowSpan{static_cast<int64_t>(std::floor(glyph.ink.top * scale_)),
                              static_cast<int64_t>(std::ceil(glyph.ink.bottom * scale_))};
        }
        if (const auto place = punctuation_.find(index); place != punctuation_.end()) {
          if (const auto shift = MainlandShift(Slot(), place->second, em_64ths_ / 64)) {
            glyph.shift_x = shift->right;
            glyph.shift_up = shift->up;
            glyph.ink.top -= shift->up;
            glyph.ink.bottom -= shift->up;
          }
        }
        if (eager_render_) RenderLoaded(glyph, nullptr);
      } else {
        glyph.image = Glyph::Image::kEmpty;
      }
    }
    return it->second.get();
  }

  void DrawGlyph(Glyph& glyph, Raster& raster, int64_t pen_x, int64_t baseline, Rgb ink,
                 const Visible& visible) {
    pen_x += glyph.shift_x;
    baseline -= glyph.shift_up;
    switch (glyph.image) {
      case Glyph::Image::kEmpty:
        return;
      case Glyph::Image::kColor: {
        ClipBox clip = visible.cell;
        clip.right = std::min(clip.right, visible.right_limit);
        CompositeColor(raster, static_cast<double>(pen_x) + glyph.left * scale_,
                       static_cast<double>(baseline) - glyph.top * scale_, scale_,
                       glyph.color_view(), clip);
        return;
      }
      case Glyph::Image::kCached: {
        const int64_t left = pen_x + glyph.left;
        const int64_t top = baseline - glyph.top;
        if (left >= visible.right_limit || left + glyph.width <= 0 || top >= visible.bottom ||
            top + glyph.rows <= 0) {
          return;
        }
        if (glyph.width <= CoverageMasks::kMaxWidth) {
          BlendMasks(raster, left, top, glyph.masks, glyph.view(), ink, visible.right_limit);
        } else {
          BlendCoverage(raster, left, top, glyph.view(), ink, visible.right_limit);
        }
        return;
      }
      case Glyph::Image::kNotRendered:
      case Glyph::Image::kUncached:
        break;
    }
    if (!Load(glyph.index)) {
      glyph.image = Glyph::Image::kEmpty;
      return;
    }
    FT_GlyphSlot slot = Slot();
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_BBox box;
      FT_Outline_Get_CBox(&slot->outline, &box);
      const int64_t x_min = pen_x + (box.xMin >> 6);
      const int64_t x_max = pen_x + ((box.xMax + 63) >> 6);
      // The rows are those DrawnRows promises, so that a picture drawn in bands renders the
      // glyph exactly where a whole picture would.
      const RowSpan rows = OutlineRows(slot->outline);
      if (x_max <= 0 || x_min >= visible.right_limit || baseline + rows.bottom <= 0 ||
          baseline + rows.top >= visible.bottom) {
        return;  // nothing of it shows; render it when it does
      }
    }
    BitmapHolder converted(face_->library->get());
    const std::optional<CoverageView> image = RenderLoaded(glyph, &converted);
    if (glyph.image == Glyph::Image::kColor) {
      DrawGlyph(glyph, raster, pen_x - glyph.shift_x, baseline + glyph.shift_up, ink, visible);
    } else if (image) {
      BlendCoverage(raster, pen_x + slot->bitmap_left, baseline - slot->bitmap_top, *image, ink,
                    visible.right_limit);
    } else if (glyph.image == Glyph::Image::kCached) {
      DrawGlyph(glyph, raster, pen_x - glyph.shift_x, baseline + glyph.shift_up, ink, visible);
    }
  }

 private:
  SizedFace(std::shared_ptr<Face> face, SizePtr size, const RenderOptions& options)
      : face_(std::move(face)), size_(std::move(size)) {
    load_flags_ = FT_LOAD_DEFAULT;
    if (!options.embedded_bitmap) load_flags_ |= FT_LOAD_NO_BITMAP;
    // Windows hints only fonts that carry hinting instructions; FreeType would run its
    // auto-hinter over the others, which also costs several times the load.
    if (!options.hinting || options.hint_style == kHintNone ||
        (!options.has_own_hinting && !options.autohint)) {
      load_flags_ |= FT_LOAD_NO_HINTING;
    } else if (!options.antialias) {
      load_flags_ |= FT_LOAD_TARGET_MONO;
    } else if (options.hint_style == kHintSlight) {
      load_flags_ |= FT_LOAD_TARGET_LIGHT;
    } else {
      load_flags_ |= FT_LOAD_TARGET_NORMAL;
    }
    if (options.autohint) load_flags_ |= FT_LOAD_FORCE_AUTOHINT;
    render_mode_ = options.antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
  }

  static constexpr int kHintNone = 0;
  static constexpr int kHintSlight = 1;

  FT_GlyphSlot Slot() const { return face_->face->glyph; }

  bool Load(FT_UInt index) {
    // The face is shared between sizes: this one must be the active one for every load.
    return FT_Activate_Size(size_.get()) == 0 &&
           FT_Load_Glyph(face_->face.get(), index, load_flags_) == 0;
  }

  // Renders the glyph in the slot into 8-bit coverage. A small image is cached in the glyph (and
  // nothing is returned); a larger one is returned as a view into the slot or into `scratch`,
  // valid until the next load. Fails with EOutOfResources when memory runs out.
  std::optional<CoverageView> RenderLoaded(Glyph& glyph, BitmapHolder* scratch) {
    FT_GlyphSlot slot = Slot();
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) {
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        const uint64_t width = static_cast<uint64_t>(((box.xMax + 63) >> 6) - (box.xMin >> 6));
        const uint64_t rows = static_cast<uint64_t>(((box.yMax + 63) >> 6) - (box.yMin >> 6));
        const uint64_t bytes = width * rows;
        if (bytes > kCheckedGlyphBytes && bytes > AvailableMemoryBytes() / 2) FailNoMemory();
      }
      const FT_Error error = FT_Render_Glyph(slot, render_mode_);
      if (error == FT_Err_Out_Of_Memory) FailNoMemory();
      if (error != 0) {
        glyph.image = Glyph::Image::kEmpty;
        return std::nullopt;
      }
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.buffer == nullptr) {
      glyph.image = Glyph::Image::kEmpty;
      return std::nullopt;
    }
    if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
      StoreColor(glyph, slot);
      return std::nullopt;
    }
    const int32_t width = static_cast<int32_t>(bitmap.width);
    const int32_t rows = static_cast<int32_t>(bitmap.rows);
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(rows);
    const bool cache = bytes <= kMaxCachedGlyphBytes;

    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256) {
      const CoverageView view = ViewOf(bitmap);
      if (!cache) {
        glyph.image = Glyph::Image::kUncached;
        return view;
      }
      StoreCoverage(glyph, view, slot);
      return std::nullopt;
    }
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO && cache) {
      glyph.coverage.resize(bytes);
      const CoverageView bits = ViewOf(bitmap);
      for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* source = bits.top_row + y * bits.pitch;
        uint8_t* target = glyph.coverage.data() + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
          target[x] = (source[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
        }
      }
      SetPlacement(glyph, width, rows, slot);
      return std::nullopt;
    }
    // Any other depth (mono too large to cache, 2- and 4-bit gray, colour) goes through
    // FreeType's conversion to one byte per pixel.
    BitmapHolder local(face_->library->get());
    BitmapHolder* target = scratch != nullptr ? scratch : &local;
    const FT_Error error = FT_Bitmap_Convert(face_->library->get(), &bitmap, target->get(), 1);
    if (error == FT_Err_Out_Of_Memory) FailNoMemory();
    if (error != 0 || target->get()->buffer == nullptr) {
      glyph.image = Glyph::Image::kEmpty;
      return std::nullopt;
    }
    FT_Bitmap& gray = *target->get();
    const int max_value = std::max<int>(gray.num_grays - 1, 1);
    for (unsigned y = 0; y < gray.rows; ++y) {
      uint8_t* row = gray.buffer + static_cast<ptrdiff_t>(y) * std::abs(gray.pitch);
      for (unsigned x = 0; x < gray.width; ++x) {
        row[x] = static_cast<uint8_t>(std::min(255, row[x] * 255 / max_value));
      }
    }
    const CoverageView view = ViewOf(gray);
    if (cache) {
      StoreCoverage(glyph, view, slot);
      return std::nullopt;
    }
    if (scratch == nullptr) return std::nullopt;  // measured only; rendered again when drawn
    glyph.image = Glyph::Image::kUncached;
    return view;
  }

  static CoverageView ViewOf(const FT_Bitmap& bitmap) {
    CoverageView view;
    view.width = static_cast<int32_t>(bitmap.width);
    view.rows = static_cast<int32_t>(bitmap.rows);
    view.pitch = bitmap.pitch;
    view.top_row = bitmap.pitch >= 0
                       ? bitmap.buffer
                       : bitmap.buffer + static_cast<ptrdiff_t>(-bitmap.pitch) * (view.rows - 1);
    return view;
  }

  static void SetPlacement(Glyph& glyph, int32_t width, int32_t rows, FT_GlyphSlot slot) {
    glyph.width = width;
    glyph.rows = rows;
    if (width <= CoverageMasks::kMaxWidth) glyph.masks = CoverageMasksOf(glyph.view());
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.image = Glyph::Image::kCached;
  }

  // Colour images are kept at the size the face gives them; drawing scales them.
  static void StoreColor(Glyph& glyph, FT_GlyphSlot slot) {
    const FT_Bitmap& bitmap = slot->bitmap;
    const size_t row_bytes = static_cast<size_t>(bitmap.width) * 4;
    const uint64_t bytes = uint64_t{row_bytes} * bitmap.rows;
    if (bytes > kCheckedGlyphBytes && bytes > AvailableMemoryBytes() / 2) FailNoMemory();
    glyph.coverage.resize(static_cast<size_t>(bytes));
    for (unsigned y = 0; y < bitmap.rows; ++y) {
      const uint8_t* source =
          bitmap.pitch >= 0
              ? bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch
              : bitmap.buffer + static_cast<ptrdiff_t>(bitmap.rows - 1 - y) * -bitmap.pitch;
      std::copy_n(source, row_bytes, glyph.coverage.data() + y * row_bytes);
    }
    glyph.width = static_cast<int32_t>(bitmap.width);
    glyph.rows = static_cast<int32_t>(bitmap.rows);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.image = Glyph::Image::kColor;
  }

  static void StoreCoverage(Glyph& glyph, const CoverageView& view, FT_GlyphSlot slot) {
    glyph.coverage.resize(static_cast<size_t>(view.width) * static_cast<size_t>(view.rows));
    for (int32_t y = 0; y < view.rows; ++y) {
      std::copy_n(view.top_row + y * view.pitch, view.width,
                  glyph.coverage.data() + static_cast<size_t>(y) * view.width);
    }
    SetPlacement(glyph, view.width, view.rows, slot);
  }

  std::shared_ptr<Face> face_;  // declared before the size, which must go first
  SizePtr size_;
  int32_t load_flags_ = FT_LOAD_DEFAULT;
  FT_Render_Mode render_mode_ = FT_RENDER_MODE_NORMAL;
  bool eager_render_ = true;
  int64_t em_64ths_ = 64;
  double scale_ = 1.0;  // from the face's own size to the drawn one
  std::unique_ptr<ShapingFont> shaping_;
  std::unordered_map<FT_UInt, PunctuationPlace> punctuation_;
  std::unordered_map<FT_UInt, std::unique_ptr<Glyph>> glyphs_;
};

// The character at `pos`, moving past it. A byte that starts no well-formed UTF-8 sequence is
// one U+FFFD, so that nothing of a broken line goes unmeasured.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
  constexpr char32_t kReplacement = 0xFFFD;
  const unsigned lead = static_cast<unsigned char>(text[pos]);
  size_t length = 1;
  char32_t value = lead;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else if (lead >= 0x80) {
    ++pos;
    return kReplacement;
  }
  if (length > text.size() - pos) {
    ++pos;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return value;
}

class FreeTypeEngine;

struct CharGlyph {
  SizedFace* face = nullptr;
  Glyph* glyph = nullptr;
  bool shaped = false;   // the line goes through shaping
  bool covered = false;  // some face has the character
};

// A glyph of a laid-out line, `x` pixels right of the line's start and `rise` pixels up.
struct PlacedGlyph {
  SizedFace* face = nullptr;
  Glyph* glyph = nullptr;
  int64_t x = 0;
  int64_t rise = 0;
};

class FreeTypeFont final : public TextFont {
 public:
  FreeTypeFont(FreeTypeEngine& engine, const FaceRequest& request, const FontFile& primary_file,
               std::unique_ptr<SizedFace> primary, const PixelSize& size)
      : engine_(engine),
        size_(size),
        primary_(primary.get()),
        fallback_(request, primary_file.family),
        bmp_(new CharGlyph[0x10000]()) {
    faces_.emplace(std::make_pair(primary_file.path, primary_file.index), std::move(primary));
  }

  TextExtent Measure(std::string_view text) const override {
    int64_t width = 0;
    for (size_t pos = 0; pos < text.size();) {
      const CharGlyph glyph = Lookup(NextCodePoint(text, pos));
      if (glyph.shaped) return TextExtent{LayOut(text), size_.cell()};
      width += glyph.glyph->advance;
    }
    return TextExtent{width, size_.cell()};
  }

  RowSpan DrawnRows(std::string_view text) const override {
    RowSpan rows{0, size_.cell()};
    const auto add = [&](const Glyph& glyph, int64_t rise) {
      // Colour glyphs stay inside the cell.
      if (glyph.ink.top >= glyph.ink.bottom || glyph.image == Glyph::Image::kColor) return;
      rows.top = std::min(rows.top, size_.ascent + glyph.ink.top - rise);
      rows.bottom = std::max(rows.bottom, size_.ascent + glyph.ink.bottom - rise);
    };
    if (NeedsLayout(text)) {
      LayOut(text);
      for (const PlacedGlyph& placed : placed_) add(*placed.glyph, placed.rise);
      return rows;
    }
    for (size_t pos = 0; pos < text.size();) add(*Lookup(NextCodePoint(text, pos)).glyph, 0);
    return rows;
  }

  void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
            int64_t clip_right) const override {
    const int64_t width = LayOut(text);
    const Visible visible{std::min<int64_t>(clip_right, raster.width()), raster.height(),
                          ClipBox{x, y, x + width, y + size_.cell()}};
    raster.FillRect(x, y, std::min(x + width, visible.right_limit), y + size_.cell(), background);
    const int64_t baseline = y + size_.ascent;
    for (const PlacedGlyph& placed : placed_) {
      placed.face->DrawGlyph(*placed.glyph, raster, x + placed.x, baseline - placed.rise, color,
                             visible);
    }
  }

  std::vector<char32_t> Uncovered(std::string_view text) const override {
    std::vector<char32_t> missing;
    for (size_t pos = 0; pos < text.size();) {
      const char32_t c = NextCodePoint(text, pos);
      if (!Lookup(c).covered && !IsInvisible(c)) missing.push_back(c);
    }
    return missing;
  }

 private:
  CharGlyph Lookup(char32_t c) const {
    if (c < 0x10000) {
      CharGlyph& slot = bmp_[c];
      if (slot.glyph == nullptr) slot = Resolve(c);
      return slot;
    }
    auto it = astral_.find(c);
    if (it == astral_.end()) it = astral_.emplace(c, Resolve(c)).first;
    return it->second;
  }

  CharGlyph Resolve(char32_t c) const {
    const bool shaped = NeedsShaping(c);
    if (const FT_UInt index = primary_->IndexOf(c); index != 0) {
      return CharGlyph{primary_, primary_->GlyphAt(index), shaped, true};
    }
    if (const FontFile* file = fallback_.FontFor(c)) {
      if (SizedFace* face = FaceFor(*file)) {
        if (const FT_UInt index = face->IndexOf(c); index != 0) {
          return CharGlyph{face, face->GlyphAt(index), shaped, true};
        }
      }
    }
    return CharGlyph{primary_, primary_->GlyphAt(0), shaped, false};  // .notdef
  }

  // The colour face that has the character, or nullptr.
  SizedFace* ColorFaceFor(char32_t c) const {
    if (primary_->IsColor() && primary_->IndexOf(c) != 0) return primary_;
    if (const FontFile* file = fallback_.ColorFontFor(c)) {
      if (SizedFace* face = FaceFor(*file); face != nullptr && face->IndexOf(c) != 0) return face;
    }
    return nullptr;
  }

  // Controls, joiners, variation selectors and tags: never drawn as a box of their own.
  static bool IsInvisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x200C || c == 0x200D ||
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0000 && c <= 0xE0FFF);
  }

  bool NeedsLayout(std::string_view text) const {
    for (size_t pos = 0; pos < text.size();) {
      if (Lookup(NextCodePoint(text, pos)).shaped) return true;
    }
    return false;
  }

  // Places the line's glyphs into placed_ and gives its width. Lines without characters that
  // need shaping take each character's advance in turn; the others are split into runs, shaped
  // where needed, and ordered left to right.
  int64_t LayOut(std::string_view text) const {
    placed_.clear();
    chars_.clear();
    bool shaped = false;
    int64_t pen = 0;
    for (size_t pos = 0; pos < text.size();) {
      const char32_t c = NextCodePoint(text, pos);
      const CharGlyph glyph = Lookup(c);
      shaped = shaped || glyph.shaped;
      chars_.push_back(c);
      if (!shaped) {
        placed_.push_back(PlacedGlyph{glyph.face, glyph.glyph, pen, 0});
        pen += glyph.glyph->advance;
      }
    }
    if (!shaped) return pen;

    placed_.clear();
    run_faces_.clear();
    const std::u32string_view line(chars_.data(), chars_.size());
    SizedFace* previous = nullptr;
    const auto face_of = [&](size_t begin, size_t end) {
      SizedFace* face = nullptr;
      for (size_t i = begin; i < end && face == nullptr; ++i) {
        if (AsksForEmoji(line[i])) face = ColorFaceFor(line[begin]);
      }
      if (face == nullptr) {
        const CharGlyph glyph = Lookup(line[begin]);
        face = glyph.face;
        // A word of a script the primary face lacks stays in one fallback face where it can,
        // so that its letters join.
        if (glyph.shaped && face != primary_ && previous != nullptr && previous != primary_ &&
            previous != face && !previous->IsColor() && previous->IndexOf(line[begin]) != 0) {
          face = previous;
        }
      }
      previous = face;
      const auto it = std::find(run_faces_.begin(), run_faces_.end(), face);
      if (it != run_faces_.end()) return static_cast<int>(it - run_faces_.begin());
      run_faces_.push_back(face);
      return static_cast<int>(run_faces_.size() - 1);
    };
    pen = 0;
    for (const TextRun& run : VisualRuns(line, face_of)) {
      SizedFace* face = run_faces_[static_cast<size_t>(run.face)];
      if (!run.shaped || !face->CanShape()) {
        for (size_t i = run.begin; i < run.end; ++i) {
          const CharGlyph glyph = Lookup(line[i]);
          placed_.push_back(PlacedGlyph{glyph.face, glyph.glyph, pen, 0});
          pen += glyph.glyph->advance;
        }
        continue;
      }
      shaped_.clear();
      face->Shaping().Shape(line, run, shaped_);
      int64_t advance_64ths = 0;
      for (const ShapedGlyph& glyph : shaped_) {
        const int64_t x = pen + ((advance_64ths + glyph.x_offset + 32) >> 6);
        Glyph* image = face->GlyphAt(glyph.index);
        placed_.push_back(PlacedGlyph{face, image, x, (int64_t{glyph.y_offset} + 32) >> 6});
        advance_64ths += run.own_advances && glyph.x_advance != 0 ? int64_t{image->advance} * 64
                                                                  : glyph.x_advance;
      }
      pen += (advance_64ths + 32) >> 6;
    }
    return pen;
  }

  SizedFace* FaceFor(const FontFile& file) const;

  FreeTypeEngine& engine_;
  PixelSize size_;
  SizedFace* primary_;
  mutable FallbackFonts fallback_;
  // Faces by file and index; nullptr for one that could not be opened at this size.
  mutable std::map<std::pair<std::string, int>, std::unique_ptr<SizedFace>> faces_;
  mutable std::unique_ptr<CharGlyph[]> bmp_;
  mutable std::unordered_map<char32_t, CharGlyph> astral_;
  mutable std::vector<char32_t> chars_;
  mutable std::vector<PlacedGlyph> placed_;
  mutable std::vector<SizedFace*> run_faces_;
  mutable std::vector<ShapedGlyph> shaped_;
};

class FreeTypeEngine final : public FontEngine {
 public:
  FreeTypeEngine() : library_(std::make_shared<Library>()) {}

  std::unique_ptr<TextFont> CreateFont(const LogFont& log_font) override {
    FaceRequest request;
    request.face_name = log_font.lfFaceName;
    request.weight = log_font.lfWeight;
    request.italic = log_font.lfItalic != 0;
    request.pixel_size = static_cast<double>(
        std::clamp<int64_t>(std::llabs(static_cast<int64_t>(log_font.lfHeight)), 1, kMaxEmPixels));
    if (log_font.lfHeight == 0) request.pixel_size = static_cast<double>(kDefaultEmPixels);

    const FontFile file = ResolveFace(request);
    std::shared_ptr<Face> face = OpenFace(file);
    if (!face) throw ECanvasError("无法打开字体文件“" + file.path + "”");

    std::optional<PixelSize> size;
    if (FT_IS_SCALABLE(face->face.get())) {
      const bool cell_is_em = HasWindowsCjkMetrics(request.face_name);
      size = PixelSizeFor(log_font.lfHeight, cell_is_em ? kWindowsCjkMetrics : face->metrics);
      if (!size) throw EOutOfResources(TooLargeMessage(log_font.lfHeight));
      if (cell_is_em && log_font.lfHeight <= 0) {
        // Rounding ascent and descent apart could make the cell one pixel taller than the em.
        const int64_t em = size->em_64ths / 64;
        size->descent = static_cast<int32_t>((em * 2 + 8) / 16);
        size->ascent = static_cast<int32_t>(em - size->descent);
      }
    } else {
      size = BitmapFaceSize(log_font.lfHeight);
    }
    request.pixel_size = static_cast<double>(size->em_64ths) / 64.0;

    FT_Error error = 0;
    std::unique_ptr<SizedFace> primary = SizedFace::Make(face, file.options, size->em_64ths, error);
    if (!primary) {
      throw EOutOfResources(TooLargeMessage(log_font.lfHeight) + "（" + FreeTypeErrorText(error) +
                            "）");
    }
    // AR PL UMing and UKai follow the Taiwan convention of centred punctuation; the Windows
    // faces they stand in for have the mainland one.
    if (HasWindowsCjkMetrics(request.face_name) && file.family.rfind("AR PL U", 0) == 0) {
      primary->UseMainlandPunctuation();
    }
    if (!FT_IS_SCALABLE(face->face.get())) {
      // A colour strike is scaled to the wanted size, its metrics with it.
      const FT_Size_Metrics& metrics = face->face->size->metrics;
      size->ascent = static_cast<int32_t>(std::lround(metrics.ascender * primary->scale() / 64));
      size->descent = static_cast<int32_t>(std::lround(-metrics.descender * primary->scale() / 64));
    }
    return std::make_unique<FreeTypeFont>(*this, request, file, std::move(primary), *size);
  }

  // The face of the file, opened once; nullptr when FreeType cannot open it.
  std::shared_ptr<Face> OpenFace(const FontFile& file) {
    const auto key = std::make_pair(file.path, file.index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face ft_face = nullptr;
    std::shared_ptr<Face> face;
    if (FT_New_Face(library_->get(), file.path.c_str(), file.index, &ft_face) == 0) {
      face = std::make_shared<Face>();
      face->library = library_;
      face->face.reset(ft_face);
      face->metrics = MetricsOf(ft_face);
    }
    faces_.emplace(key, face);
    return face;
  }

 private:
  static std::string TooLargeMessage(int32_t lfHeight) {
    const int64_t pixels = std::llabs(static_cast<int64_t>(lfHeight));
    return "字号太大：" + std::string(lfHeight > 0 ? "字符单元高度 " : "字符高度 ") +
           std::to_string(pixels) + " 像素超出了字体引擎的范围（字符高度最多 " +
           std::to_string(kMaxEmPixels) + " 像素）";
  }

  // A face without outlines is drawn at its strike nearest to the wanted height.
  static PixelSize BitmapFaceSize(int32_t lfHeight) {
    PixelSize size;
    const int64_t wanted = lfHeight == 0 ? kDefaultEmPixels : std::llabs(int64_t{lfHeight});
    size.em_64ths = std::min(wanted, kMaxEmPixels) * 64;
    return size;
  }

  std::shared_ptr<Library> library_;
  std::map<std::pair<std::string, int>, std::shared_ptr<Face>> faces_;
};

SizedFace* FreeTypeFont::FaceFor(const FontFile& file) const {
  const auto key = std::make_pair(file.path, file.index);
  if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
  std::unique_ptr<SizedFace> sized;
  if (std::shared_ptr<Face> face = engine_.OpenFace(file)) {
    FT_Error error = 0;
    sized = SizedFace::Make(std::move(face), file.options, size_.em_64ths, error);
  }
  return faces_.emplace(key, std::move(sized)).first->second.get();
}

}  // namespace

FontEngine& SystemFontEngine() {
  static FreeTypeEngine engine;
  return engine;
}

std::unique_ptr<FontEngine> NewSystemFontEngine() { return std::make_unique<FreeTypeEngine>(); }

bool IsInstalledFamily(std::string_view family) { return IsInstalledFamilyName(family); }

}  // namespace t2j
