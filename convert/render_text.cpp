#include "convert/render_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <unordered_set>

#include "convert/jpeg_image.h"
#include "platform/failure.h"
#include "platform/messages.h"

namespace t2j {
namespace {

constexpr Rgb kWhite{255, 255, 255};

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " × " + std::to_string(height);
}

// The picture's height for n lines; fails when it does not fit into 32 bits.
int32_t PictureHeight(int64_t n, int64_t h, int64_t spacing, int64_t margin) {
  int64_t lines_height = 0;
  if (__builtin_mul_overflow(n, h + spacing, &lines_height) ||
      !FitsInt32(lines_height - spacing + 2 * margin)) {
    throw EOutOfResources(Msg(
        "cannot make the picture: its height is beyond the range of a "
        "32-bit integer (%s lines, line height %s, line spacing %s, "
        "margin %s)",
        {std::to_string(n), std::to_string(h), std::to_string(spacing), std::to_string(margin)}));
  }
  return static_cast<int32_t>(lines_height - spacing + 2 * margin);
}

// The picture's width after a widening; fails where no raster of that size could be made.
int32_t WidenedWidth(int64_t margin, int64_t line_width, int32_t height) {
  const int64_t width = 2 * margin + line_width;
  if (!FitsInt32(width)) {
    throw EOutOfResources(
        Msg("cannot make the picture: a width of %s pixels is beyond the "
            "range of a 32-bit integer",
            {std::to_string(width)}));
  }
  if (width < 0 && height != 0) {
    throw EOutOfResources(
        Msg("cannot make a picture of %s pixels: its width is negative "
            "(margin %s)",
            {SizeText(width, height), std::to_string(margin)}));
  }
  if (width > 0 && height < 0) {
    throw EOutOfResources(
        Msg("cannot make a picture of %s pixels: its height is negative "
            "(check the line spacing and the margin)",
            {SizeText(width, height)}));
  }
  return static_cast<int32_t>(width);
}

// Division rounding towards minus infinity, for either sign of the divisor.
int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t quotient = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? quotient - 1 : quotient;
}

int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// A new raster is white already.
void FillBackground(Raster& raster, Rgb background) {
  if (background != kWhite) raster.FillRect(0, 0, raster.width(), raster.height(), background);
}

}  // namespace

int32_t CellHeight(const TextFont& font) { return font.Measure("a").cy; }

TextLayout::TextLayout(const std::vector<std::string>& lines, const RenderSettings& settings,
                       FontEngine& engine, int32_t pixels_per_inch, const SizeBounds& bounds)
    : lines_(lines),
      font_(engine.CreateFont(MakeLogFont(settings, pixels_per_inch))),
      color_(ResolveRgb(settings.TextColor)),
      background_(ResolveRgb(settings.BackgroundColor)),
      margin_(settings.Margin) {
  const int64_t h = CellHeight(*font_);
  const int64_t spacing = settings.LineSpacing;
  pitch_ = h + spacing;
  height_ = PictureHeight(static_cast<int64_t>(lines.size()), h, spacing, margin_);

  // The picture widens line by line to the widest line.
  placed_.resize(lines.size());
  std::vector<int64_t> widths(lines.size());
  int64_t max_width = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t width = font_->Measure(lines[i]).cx;
    if (width > max_width) {
      max_width = width;
      width_ = WidenedWidth(margin_, width, height_);
    }
    widths[i] = width;
  }
  if (Empty()) {
    placed_.clear();
    return;
  }
  // Glyphs may reach outside their cells: the picture grows on each side by what their ink
  // needs beyond it, and lines are drawn without filling their cells where cells do not
  // overlap, so that no line covers the ink of another.
  draw_over_ = spacing >= 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t room = max_width - widths[i];
    if (settings.Alignment == LineAlignment::kCenter) placed_[i].x = room / 2;
    if (settings.Alignment == LineAlignment::kRight) placed_[i].x = room;
  }
  origin_x_ = margin_;
  origin_y_ = margin_;
  if (margin_ >= 0) GrowForInk(bounds);
  for (size_t i = 0; i < lines.size(); ++i) {
    Line& line = placed_[i];
    line.y = origin_y_ + static_cast<int64_t>(i) * pitch_;
    line.clip_right = width_;
    const RowSpan drawn = font_->DrawnRows(lines[i]);
    line.rows.top = std::clamp<int64_t>(line.y + drawn.top, 0, height_);
    line.rows.bottom = std::clamp<int64_t>(line.y + drawn.bottom, line.rows.top, height_);
    if (line.rows.top == line.rows.bottom) continue;
    reach_up_ = std::max(reach_up_, line.y - line.rows.top);
    reach_down_ = std::max(reach_down_, line.rows.bottom - line.y);
    tallest_line_ = std::max(tallest_line_, static_cast<int32_t>(line.rows.bottom - line.rows.top));
  }
}

void TextLayout::GrowForInk(const SizeBounds& bounds) {
  int64_t left = 0;
  int64_t right = width_;
  int64_t top = 0;
  int64_t bottom = height_;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const InkBox ink = font_->Ink(lines_[i]);
    if (ink.Empty()) continue;
    const int64_t y = margin_ + static_cast<int64_t>(i) * pitch_;
    left = std::min(left, margin_ + placed_[i].x + ink.left);
    right = std::max(right, margin_ + placed_[i].x + ink.right);
    top = std::min(top, y + ink.top);
    bottom = std::max(bottom, y + ink.bottom);
  }
  // Within the bounds, the left and top edges take what they need first.
  left = std::max<int64_t>(left, std::min<int64_t>(0, width_ - int64_t{bounds.width}));
  right = std::min<int64_t>(right, std::max<int64_t>(width_, left + bounds.width));
  top = std::max<int64_t>(top, std::min<int64_t>(0, height_ - int64_t{bounds.height}));
  bottom = std::min<int64_t>(bottom, std::max<int64_t>(height_, top + bounds.height));
  if (!FitsInt32(right - left) || !FitsInt32(bottom - top)) {
    throw EOutOfResources(
        Msg("cannot make a picture of %s pixels: its size is beyond the range "
            "of a 32-bit integer",
            {SizeText(right - left, bottom - top)}));
  }
  origin_x_ = margin_ - left;
  origin_y_ = margin_ - top;
  width_ = static_cast<int32_t>(right - left);
  height_ = static_cast<int32_t>(bottom - top);
}

void TextLayout::DrawRows(Raster& band, int32_t top) const {
  const int64_t bottom = int64_t{top} + band.height();
  // The lines that can reach the band have their y strictly between lo and hi; y grows (or
  // shrinks) with the line number, so they are one run of lines.
  const int64_t lo = top - reach_down_;
  const int64_t hi = bottom + reach_up_;
  const int64_t n = static_cast<int64_t>(placed_.size());
  int64_t first = 0;
  int64_t end = n;
  if (pitch_ > 0) {
    first = FloorDiv(lo - origin_y_, pitch_) + 1;
    end = CeilDiv(hi - origin_y_, pitch_);
  } else if (pitch_ < 0) {
    first = FloorDiv(hi - origin_y_, pitch_) + 1;
    end = CeilDiv(lo - origin_y_, pitch_);
  } else if (origin_y_ <= lo || origin_y_ >= hi) {
    end = 0;
  }
  first = std::clamp<int64_t>(first, 0, n);
  end = std::clamp<int64_t>(end, first, n);
  for (int64_t i = first; i < end; ++i) {
    const Line& line = placed_[static_cast<size_t>(i)];
    if (std::max<int64_t>(line.rows.top, top) >= std::min(line.rows.bottom, bottom)) continue;
    const std::string& text = lines_[static_cast<size_t>(i)];
    if (draw_over_) {
      font_->DrawOver(band, origin_x_ + line.x, line.y - top, text, color_, line.clip_right);
    } else {
      font_->Draw(band, origin_x_ + line.x, line.y - top, text, color_, background_,
                  line.clip_right);
    }
  }
}

std::vector<char32_t> TextLayout::UncoveredCharacters() const {
  std::vector<char32_t> found;
  std::unordered_set<char32_t> seen;
  for (const std::string& line : lines_) {
    for (const char32_t c : font_->Uncovered(line)) {
      if (seen.insert(c).second) found.push_back(c);
    }
  }
  return found;
}

std::string UncoveredCharactersText(const std::vector<char32_t>& characters) {
  constexpr size_t kNamed = 10;
  std::string text;
  for (size_t i = 0; i < characters.size() && i < kNamed; ++i) {
    const char32_t c = characters[i];
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X ", static_cast<unsigned>(c));
    if (!text.empty()) text += ", ";
    text += code;
    // UTF-8 of the character itself.
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xE0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (c >> 18));
      text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  if (characters.size() > kNamed) {
    text += " and " + std::to_string(characters.size() - kNamed) + " more";
  }
  return text;
}

BandedRows::BandedRows(const TextLayout& layout, int32_t band_rows, int32_t max_side)
    : layout_(layout) {
  if (layout.Empty() || layout.Width() > max_side || layout.Height() > max_side) return;
  if (band_rows <= 0) {
    const uint64_t row_bytes = Raster::ByteSize(layout.Width(), 1);
    band_rows = static_cast<int32_t>(
        std::clamp<uint64_t>(kBandBytes / row_bytes, 1, static_cast<uint64_t>(layout.Height())));
    band_rows = std::max(band_rows, layout.TallestLine());
  }
  band_ = Raster::MakeWhite(layout.Width(), std::min(band_rows, layout.Height()));
  FillBackground(*band_, layout.Background());
}

const uint8_t* BandedRows::Row(int32_t y) {
  if (!drawn_ || y < band_top_ || y - band_top_ >= band_->height()) {
    if (drawn_) band_->FillRect(0, 0, band_->width(), band_->height(), layout_.Background());
    band_top_ = y;
    layout_.DrawRows(*band_, band_top_);
    drawn_ = true;
  }
  return band_->Row(y - band_top_);
}

RenderedPicture RenderText(const std::vector<std::string>& lines, const RenderSettings& settings,
                           FontEngine& engine, int32_t pixels_per_inch) {
  const TextLayout layout(lines, settings, engine, pixels_per_inch);
  RenderedPicture picture;
  picture.Width = layout.Width();
  picture.Height = layout.Height();
  if (layout.Empty() || TooLargeForJpeg(picture.Width, picture.Height)) return picture;
  std::unique_ptr<Raster> raster = Raster::MakeWhite(picture.Width, picture.Height);
  FillBackground(*raster, layout.Background());
  layout.DrawRows(*raster, 0);
  picture.Pixels = std::move(raster);
  return picture;
}

}  // namespace t2j
