#include "convert/render_text.h"

#include <limits>

#include "platform/failure.h"

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
    throw EOutOfResources("无法创建图片：高度超出了 32 位整数的范围（" + std::to_string(n) +
                          " 行，行高 " + std::to_string(h) + "，行距 " + std::to_string(spacing) +
                          "，页边距 " + std::to_string(margin) + "）");
  }
  return static_cast<int32_t>(lines_height - spacing + 2 * margin);
}

// The picture's width after a widening; fails where no raster of that size could be made.
int32_t WidenedWidth(int64_t margin, int64_t line_width, int32_t height) {
  const int64_t width = 2 * margin + line_width;
  if (!FitsInt32(width)) {
    throw EOutOfResources("无法创建图片：宽度 " + std::to_string(width) +
                          " 像素超出了 32 位整数的范围");
  }
  if (width < 0 && height != 0) {
    throw EOutOfResources("无法创建 " + SizeText(width, height) +
                          " 像素的图片：宽度为负数（页边距 " + std::to_string(margin) + "）");
  }
  if (width > 0 && height < 0) {
    throw EOutOfResources("无法创建 " + SizeText(width, height) +
                          " 像素的图片：高度为负数（请检查行距和页边距）");
  }
  return static_cast<int32_t>(width);
}

}  // namespace

RenderedPicture RenderText(const std::vector<std::string>& lines, const RenderSettings& settings,
                           FontEngine& engine, int32_t pixels_per_inch) {
  const std::unique_ptr<TextFont> font = engine.CreateFont(MakeLogFont(settings, pixels_per_inch));
  const int64_t h = font->Measure("a").cy;
  const int64_t spacing = settings.LineSpacing;
  const int64_t margin = settings.Margin;
  const int64_t n = static_cast<int64_t>(lines.size());

  RenderedPicture picture;
  picture.Height = PictureHeight(n, h, spacing, margin);

  // The picture widens line by line; each line is clipped to the width it has once that line
  // is measured, which is what the final raster reproduces.
  std::vector<int32_t> clip_right(lines.size());
  int64_t max_width = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t width = font->Measure(lines[i]).cx;
    if (width > max_width) {
      max_width = width;
      picture.Width = WidenedWidth(margin, width, picture.Height);
    }
    clip_right[i] = picture.Width;
  }
  if (picture.Width <= 0 || picture.Height <= 0) return picture;

  std::unique_ptr<Raster> raster = Raster::MakeWhite(picture.Width, picture.Height);
  const Rgb color = ResolveRgb(settings.TextColor);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t y = margin + static_cast<int64_t>(i) * (h + spacing);
    font->Draw(*raster, margin, y, lines[i], color, kWhite, clip_right[i]);
  }
  picture.Pixels = std::move(raster);
  return picture;
}

}  // namespace t2j
