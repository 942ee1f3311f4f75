#include "text/sized_face.h"

#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

constexpr int kHintNone = 0;
constexpr int kHintSlight = 1;

int32_t RoundedAdvance(FT_Pos advance_64ths) {
  return static_cast<int32_t>((advance_64ths + 32) >> 6);
}

// The box the image of the glyph loaded into the slot can cover, from the pen position on the
// baseline. FreeType's image of an outline is the outline's box rounded out to whole pixels,
// except that a monochrome image of a box thinner than a pixel grows by one.
InkBox LoadedInk(FT_GlyphSlot slot, bool mono) {
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    if (box.xMin >= box.xMax && box.yMin >= box.yMax) return InkBox{};
    const int64_t more = mono ? 1 : 0;
    return InkBox{(box.xMin >> 6) - more, ((box.xMax + 63) >> 6) + more,
                  -((box.yMax + 63) >> 6) - more, -(box.yMin >> 6) + more};
  }
  if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
    return InkBox{slot->bitmap_left, int64_t{slot->bitmap_left} + slot->bitmap.width,
                  -slot->bitmap_top, int64_t{slot->bitmap.rows} - slot->bitmap_top};
  }
  // Any other image: the glyph's metrics, a pixel more each way.
  const FT_Glyph_Metrics& metrics = slot->metrics;
  if (metrics.width <= 0 || metrics.height <= 0) return InkBox{};
  return InkBox{(metrics.horiBearingX >> 6) - 1,
                ((metrics.horiBearingX + metrics.width + 63) >> 6) + 1,
                -((metrics.horiBearingY + 63) >> 6) - 1,
                ((metrics.height - metrics.horiBearingY + 63) >> 6) + 1};
}

// The box of the pixels of a cached coverage image that have ink, from the pen position on
// the baseline.
InkBox CoverageInk(const Glyph& glyph) {
  int64_t left = glyph.width;
  int64_t right = 0;
  int64_t top = glyph.rows;
  int64_t bottom = 0;
  for (int32_t y = 0; y < glyph.rows; ++y) {
    const uint8_t* row = glyph.coverage.data() + static_cast<size_t>(y) * glyph.width;
    int32_t first = 0;
    while (first < glyph.width && row[first] == 0) ++first;
    if (first == glyph.width) continue;
    int32_t last = glyph.width;
    while (row[last - 1] == 0) --last;
    left = std::min<int64_t>(left, first);
    right = std::max<int64_t>(right, last);
    top = std::min<int64_t>(top, y);
    bottom = y + 1;
  }
  if (left >= right) return InkBox{};
  return InkBox{glyph.left + left, glyph.left + right, top - glyph.top, bottom - glyph.top};
}

void Shift(InkBox& box, int64_t right, int64_t up) {
  if (box.Empty()) return;
  box.left += right;
  box.right += right;
  box.top -= up;
  box.bottom -= up;
}

CoverageView ViewOf(const FT_Bitmap& bitmap) {
  CoverageView view;
  view.width = static_cast<int32_t>(bitmap.width);
  view.rows = static_cast<int32_t>(bitmap.rows);
  view.pitch = bitmap.pitch;
  view.top_row = bitmap.pitch >= 0
                     ? bitmap.buffer
                     : bitmap.buffer + static_cast<ptrdiff_t>(-bitmap.pitch) * (view.rows - 1);
  return view;
}

void SetPlacement(Glyph& glyph, int32_t width, int32_t rows, FT_GlyphSlot slot) {
  glyph.width = width;
  glyph.rows = rows;
  if (width <= CoverageMasks::kMaxWidth) glyph.masks = CoverageMasksOf(glyph.view());
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.image = Glyph::Image::kCached;
}

void StoreCoverage(Glyph& glyph, const CoverageView& view, FT_GlyphSlot slot) {
  glyph.coverage.resize(static_cast<size_t>(view.width) * static_cast<size_t>(view.rows));
  for (int32_t y = 0; y < view.rows; ++y) {
    std::copy_n(view.top_row + y * view.pitch, view.width,
                glyph.coverage.data() + static_cast<size_t>(y) * view.width);
  }
  SetPlacement(glyph, view.width, view.rows, slot);
}

// Colour images are kept at the size the face gives them; drawing scales them.
void StoreColor(Glyph& glyph, FT_GlyphSlot slot) {
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

}  // namespace

std::string FreeTypeErrorText(FT_Error error) {
  return Msg("FreeType error %s", {std::to_string(error)});
}

void FailNoMemory() { throw EOutOfResources(SystemErrorText(ENOMEM)); }

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

// FreeType's image lies inside the outline's box rounded out to whole pixels, except that a
// monochrome image of a box thinner than a pixel grows by one; the span allows that row on either
// side.
RowSpan OutlineRows(const FT_Outline& outline) {
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  return RowSpan{-((box.yMax + 63) >> 6) - 1, -(box.yMin >> 6) + 1};
}

std::unique_ptr<SizedFace> SizedFace::Make(std::shared_ptr<Face> face, const RenderOptions& options,
                                           int64_t em_64ths, FT_Error& error,
                                           const std::optional<CellFit>& fit) {
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
    // Colour bitmap strikes (emoji) are scaled to the text's size when drawn, and to the cell
    // they are drawn in: the strike's line, ascent and descent, fits it whole.
    const FT_Pos strike = ft_face->available_sizes[best].y_ppem;
    if (error == 0 && FT_HAS_COLOR(ft_face) && strike > 0) {
      sized->scale_ = static_cast<double>(em_64ths) / static_cast<double>(strike);
      const double ascent = static_cast<double>(ft_face->size->metrics.ascender) / 64;
      const double descent = static_cast<double>(-ft_face->size->metrics.descender) / 64;
      if (fit && fit->ascent + fit->descent > 0 && ascent + descent > 0) {
        const double cell = static_cast<double>(fit->ascent + fit->descent);
        sized->scale_ = std::min(sized->scale_, cell / (ascent + descent));
        // Raised just enough that nothing hangs below the cell, lowered just enough that
        // nothing stands above it.
        const double lowest = descent * sized->scale_ - static_cast<double>(fit->descent);
        const double highest = static_cast<double>(fit->ascent) - ascent * sized->scale_;
        sized->color_rise_ = std::clamp(0.0, lowest, std::max(lowest, highest));
      }
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

SizedFace::SizedFace(std::shared_ptr<Face> face, SizePtr size, const RenderOptions& options)
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

void SizedFace::UseMainlandPunctuation() {
  for (const auto& [c, place] : kMainlandPunctuation) {
    if (const FT_UInt index = IndexOf(c); index != 0) punctuation_[index] = place;
  }
}

Glyph* SizedFace::GlyphAt(FT_UInt index) {
  auto [it, inserted] = glyphs_.try_emplace(index);
  if (inserted) {
    it->second = std::make_unique<Glyph>();
    Glyph& glyph = *it->second;
    glyph.index = index;
    if (Load(index)) {
      glyph.advance = RoundedAdvance(static_cast<FT_Pos>(std::lround(Slot()->advance.x * scale_)));
      glyph.ink = LoadedInk(Slot(), render_mode_ == FT_RENDER_MODE_MONO);
      if (IsColor() && Slot()->format == FT_GLYPH_FORMAT_BITMAP) {
        glyph.width = static_cast<int32_t>(Slot()->bitmap.width);
        glyph.rows = static_cast<int32_t>(Slot()->bitmap.rows);
        glyph.left = Slot()->bitmap_left;
        glyph.top = Slot()->bitmap_top;
        glyph.ink = ColorInk(glyph);
      }
      if (const auto place = punctuation_.find(index); place != punctuation_.end()) {
        if (const auto shift = MainlandShift(Slot(), place->second, em_64ths_ / 64)) {
          glyph.shift_x = shift->right;
          glyph.shift_up = shift->up;
        }
      }
      if (eager_render_) {
        RenderLoaded(glyph, nullptr);
        // The image is kept for the font's lifetime: its ink is known exactly.
        if (glyph.image == Glyph::Image::kCached) glyph.ink = CoverageInk(glyph);
        if (glyph.image == Glyph::Image::kEmpty) glyph.ink = InkBox{};
      }
      Shift(glyph.ink, glyph.shift_x, glyph.shift_up);
    } else {
      glyph.image = Glyph::Image::kEmpty;
    }
  }
  return it->second.get();
}

InkBox SizedFace::ColorInk(const Glyph& glyph) const {
  if (glyph.width <= 0 || glyph.rows <= 0) return InkBox{};
  const double left = glyph.left * scale_;
  const double top = -glyph.top * scale_ - color_rise_;
  return InkBox{static_cast<int64_t>(std::floor(left)),
                static_cast<int64_t>(std::ceil(left + glyph.width * scale_)),
                static_cast<int64_t>(std::floor(top)),
                static_cast<int64_t>(std::ceil(top + glyph.rows * scale_))};
}

void SizedFace::DrawGlyph(Glyph& glyph, Raster& raster, int64_t pen_x, int64_t baseline, Rgb ink,
                          const Visible& visible) {
  pen_x += glyph.shift_x;
  baseline -= glyph.shift_up;
  switch (glyph.image) {
    case Glyph::Image::kEmpty:
      return;
    case Glyph::Image::kColor: {
      CompositeColor(raster, static_cast<double>(pen_x) + glyph.left * scale_,
                     static_cast<double>(baseline) - glyph.top * scale_ - color_rise_, scale_,
                     glyph.color_view(), ClipBox{0, 0, visible.right_limit, visible.bottom});
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

bool SizedFace::Load(FT_UInt index) {
  // The face is shared between sizes: this one must be the active one for every load.
  return FT_Activate_Size(size_.get()) == 0 &&
         FT_Load_Glyph(face_->face.get(), index, load_flags_) == 0;
}

std::optional<CoverageView> SizedFace::RenderLoaded(Glyph& glyph, BitmapHolder* scratch) {
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

}  // namespace t2j
