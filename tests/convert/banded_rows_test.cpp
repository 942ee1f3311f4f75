// Drawing a picture in bands must give the rows, and so the JPEG bytes, of the whole picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/failure_text.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "platform/failure.h"

namespace t2j {
namespace {

// All rows of a picture as `rows` hands them out, top to bottom.
std::string ReadRows(PictureRows& rows, int32_t width, int32_t height) {
  const size_t row_bytes = static_cast<size_t>(width) * Raster::kBytesPerPixel;
  std::string pixels;
  for (int32_t y = 0; y < height; ++y) {
    pixels.append(reinterpret_cast<const char*>(rows.Row(y)), row_bytes);
  }
  return pixels;
}

std::string PixelsOf(const RenderedPicture& picture) {
  RasterRows rows(*picture.Pixels);
  return ReadRows(rows, picture.Width, picture.Height);
}

// The first row where two pictures' pixels differ, for the failure message.
int64_t FirstDifferentRow(const std::string& a, const std::string& b, int32_t width) {
  const auto [at, _] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return (at - a.begin()) / (int64_t{width} * Raster::kBytesPerPixel);
}

// A font whose ink reaches `above` rows over its 12-row cell and, for each character, as many
// rows below it as the character's value modulo 7; each character is a 6-pixel bar, drawn with
// a shade that depends on what was there, so that drawing order shows in the pixels.
class InkFont : public TextFont {
 public:
  static constexpr int32_t kCell = 12;
  InkFont(int64_t above, bool tells_rows) : above_(above), tells_rows_(tells_rows) {}

  TextExtent Measure(std::string_view text) const override {
    return TextExtent{static_cast<int64_t>(text.size()) * 8, kCell};
  }
  RowSpan DrawnRows(std::string_view text) const override {
    if (!tells_rows_) return TextFont::DrawnRows(text);
    return RowSpan{-above_, kCell + Below(text)};
  }
  void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
            int64_t clip_right) const override {
    const int64_t right = std::min<int64_t>(clip_right, raster.width());
    raster.FillRect(x, y, std::min(x + Measure(text).cx, right), y + kCell, background);
    for (size_t i = 0; i < text.size(); ++i) {
      const int64_t left = x + static_cast<int64_t>(i) * 8 + 1;
      const int64_t bottom = y + kCell + static_cast<unsigned char>(text[i]) % 7;
      for (int64_t row = std::max<int64_t>(y - above_, 0);
           row < std::min<int64_t>(bottom, raster.height()); ++row) {
        for (int64_t column = std::max<int64_t>(left, 0); column < std::min(left + 6, right);
             ++column) {
          uint8_t* pixel = raster.Row(static_cast<int32_t>(row)) + column * Raster::kBytesPerPixel;
          pixel[0] = static_cast<uint8_t>((pixel[0] + color.r) / 2);
          pixel[1] = static_cast<uint8_t>((pixel[1] + color.g) / 2);
          pixel[2] = static_cast<uint8_t>((pixel[2] + color.b) / 2);
        }
      }
    }
  }

 private:
  static int64_t Below(std::string_view text) {
    int64_t below = 0;
    for (const char c : text) below = std::max<int64_t>(below, static_cast<unsigned char>(c) % 7);
    return below;
  }
  int64_t above_;
  bool tells_rows_;
};

class InkEngine : public FontEngine {
 public:
  InkEngine(int64_t above, bool tells_rows) : above_(above), tells_rows_(tells_rows) {}
  std::unique_ptr<TextFont> CreateFont(const LogFont&) override {
    return std::make_unique<InkFont>(above_, tells_rows_);
  }

 private:
  int64_t above_;
  bool tells_rows_;
};

struct LayoutCase {
  const char* name;
  int32_t spacing;
  int32_t margin;
  int64_t above;  // rows of ink over the cell
  bool tells_rows;
  ColorValue background = kDefaultBackgroundColor;
  LineAlignment alignment = LineAlignment::kLeft;
};

class BandedLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BandedLayoutTest, EveryBandHeightGivesTheWholePicturesRows) {
  const LayoutCase& row = GetParam();
  InkEngine engine(row.above, row.tells_rows);
  RenderSettings settings;
  settings.LineSpacing = row.spacing;
  settings.Margin = row.margin;
  settings.TextColor = 0x00204080;
  settings.BackgroundColor = row.background;
  settings.Alignment = row.alignment;
  const std::vector<std::string> lines = {"abc", "", "wider line", "gjp", "x", "last one", "zz"};
  const RenderedPicture whole = RenderText(lines, settings, engine, 96);
  ASSERT_FALSE(whole.Empty());
  const std::string expected = PixelsOf(whole);

  const TextLayout layout(lines, settings, engine, 96);
  ASSERT_EQ(layout.Width(), whole.Width);
  ASSERT_EQ(layout.Height(), whole.Height);
  for (const int32_t band_rows : {1, 2, 5, 12, 13, 40, 0}) {
    SCOPED_TRACE(band_rows);
    BandedRows rows(layout, band_rows);
    const std::string banded = ReadRows(rows, layout.Width(), layout.Height());
    ASSERT_EQ(banded, expected) << "row " << FirstDifferentRow(banded, expected, whole.Width);
  }
}

// Cell 12; pitch = 12 + spacing.
INSTANTIATE_TEST_SUITE_P(Cases, BandedLayoutTest,
                         ::testing::Values(LayoutCase{"SpacedLinesInkInTheSpacing", 4, 10, 3, true},
                                           LayoutCase{"InkReachesOverSeveralLines", 0, 5, 30, true},
                                           LayoutCase{"OverlappingCells", -7, 8, 4, true},
                                           LayoutCase{"AllLinesOnOneRow", -12, 20, 2, true},
                                           LayoutCase{"LinesClimbUpwards", -17, 40, 1, true},
                                           LayoutCase{"NegativeMarginCutsTheEdges", 2, -4, 6, true},
                                           LayoutCase{"FontThatCannotTellItsRows", 3, 6, 5, false},
                                           LayoutCase{"CentredOnAColour", 0, 5, 30, true,
                                                      0x00336699, LineAlignment::kCenter},
                                           LayoutCase{"RightAlignedOverlapping", -7, 8, 4, true,
                                                      0x00FFFFFF, LineAlignment::kRight}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return info.param.name;
                         });

TEST(BandedRowsTest, EmptyLayoutMakesNoBandAndAnEmptyStream) {
  InkEngine engine(0, true);
  const std::vector<std::string> lines = {"", ""};
  const TextLayout layout(lines, RenderSettings{}, engine, 96);
  ASSERT_TRUE(layout.Empty());
  BandedRows rows(layout);
  std::string stream = "old";
  EncodeJpeg(layout.Width(), layout.Height(), rows, stream);
  EXPECT_TRUE(stream.empty());
}

TEST(BandedRowsTest, PictureTooLargeForTheEncoderGetsNoBand) {
  // 2^31 − 1 pixels wide: the layout is fine, but even one line's rows would take gigabytes, and
  // the encoder refuses the picture before it asks for a row.
  class WideFont : public InkFont {
   public:
    WideFont() : InkFont(0, true) {}
    TextExtent Measure(std::string_view) const override { return TextExtent{(1ll << 31) - 1, 12}; }
  };
  class WideEngine : public FontEngine {
    std::unique_ptr<TextFont> CreateFont(const LogFont&) override {
      return std::make_unique<WideFont>();
    }
  } engine;
  RenderSettings settings;
  settings.Margin = 0;
  const std::vector<std::string> lines = {"wide"};
  const TextLayout layout(lines, settings, engine, 96);
  EXPECT_EQ(layout.Width(), (1ll << 31) - 1);
  BandedRows rows(layout);
  std::string stream;
  try {
    EncodeJpeg(layout.Width(), layout.Height(), rows, stream);
    FAIL() << "encoded a picture wider than 65500";
  } catch (const EJPEG& failure) {
    EXPECT_EQ(failure.message_code(), 41);
  }
}

TEST(BandedRowsTest, DrawingFailureReachesTheEncoder) {
  class FailingFont : public InkFont {
   public:
    FailingFont() : InkFont(0, true) {}
    void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
              Rgb background, int64_t clip_right) const override {
      if (text == "fails") throw EOutOfResources("no memory for the glyph");
      InkFont::Draw(raster, x, y, text, color, background, clip_right);
    }
  };
  class FailingEngine : public FontEngine {
    std::unique_ptr<TextFont> CreateFont(const LogFont&) override {
      return std::make_unique<FailingFont>();
    }
  } engine;
  // In the first band and far down the picture.
  for (const size_t failing_line : {size_t{0}, size_t{37}}) {
    SCOPED_TRACE(failing_line);
    std::vector<std::string> lines(40, "line");
    lines[failing_line] = "fails";
    const TextLayout layout(lines, RenderSettings{}, engine, 96);
    BandedRows rows(layout, 20);
    std::string stream = "old";
    EXPECT_THROW(EncodeJpeg(layout.Width(), layout.Height(), rows, stream), EOutOfResources);
    EXPECT_TRUE(stream.empty());
  }
}

// The real engine: fonts with ink outside their cells, overlapping lines, large type.
struct TextCase {
  const char* name;
  const char* font;
  int32_t size;
  int32_t spacing;
  int32_t margin;
  ColorValue color;
  std::vector<std::string> lines;
};

class BandedJpegTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(BandedJpegTest, SameBytesAsTheWholeRaster) {
  const TextCase& row = GetParam();
  RenderSettings settings;
  settings.FontName = row.font;
  settings.FontSize = row.size;
  settings.LineSpacing = row.spacing;
  settings.Margin = row.margin;
  settings.TextColor = row.color;
  const RenderedPicture whole = RenderText(row.lines, settings, SystemFontEngine(), 96);
  ASSERT_FALSE(whole.Empty());
  std::string expected;
  EncodeJpeg(whole, expected);

  const TextLayout layout(row.lines, settings, SystemFontEngine(), 96);
  for (const int32_t band_rows : {1, 7, 16, 0}) {
    SCOPED_TRACE(band_rows);
    BandedRows pixel_rows(layout, band_rows);
    const std::string banded = ReadRows(pixel_rows, layout.Width(), layout.Height());
    const std::string pixels = PixelsOf(whole);
    ASSERT_EQ(banded, pixels) << "row " << FirstDifferentRow(banded, pixels, whole.Width);
    BandedRows rows(layout, band_rows);
    std::string stream;
    EncodeJpeg(layout.Width(), layout.Height(), rows, stream);
    EXPECT_EQ(stream, expected);
  }
}

// 宋体 at 12 points has a 16-row cell here; the brackets and integrals come from fallback
// faces and reach rows above and below it.
INSTANTIATE_TEST_SUITE_P(
    Cases, BandedJpegTest,
    ::testing::Values(
        TextCase{"MixedText",
                 "宋体",
                 12,
                 4,
                 10,
                 0x00008000,
                 {"说明：转换的文本宽度 abc", "", "   2 生成的JPG文件 xyz", "gjpqy 宽"}},
        TextCase{"InkOutsideTheCells",
                 "宋体",
                 12,
                 0,
                 2,
                 0x000000C0,
                 {"⎛⎞∫⌠⌡ℬ℘∰", "⌠⌡⌠⌡", "∫∫ 文字", "⎛⎞"}},
        TextCase{"AccentsOverlapTheLineAbove",
                 "Liberation Sans",
                 12,
                 -6,
                 5,
                 0x00402000,
                 {"ÅÉÎÕÜ gjpqy", "ǺǼǾ Ǻ", "Åbc", "gjpqy"}},
        TextCase{"LinesClimbUpwards",
                 "宋体",
                 12,
                 -21,
                 40,
                 0x00FF0000,
                 {"第一行 one", "第二行 two", "第三 3", "四"}},
        TextCase{"AllLinesOnOneRow", "宋体", 12, -16, 9, 0x00000000, {"一二三", "  abc", "    ⌠⌡"}},
        TextCase{"NegativeMargin",
                 "Liberation Sans",
                 12,
                 2,
                 -5,
                 0x00808080,
                 {"ÅÉÎ clipped", "gjpqy at the edge"}},
        TextCase{"LargeType", "宋体", 48, 3, 7, 0x000000FF, {"大字 Ag", "⌠⌡ 字"}},
        TextCase{"PictureGrownForInk", "宋体", 72, 0, 0, 0x00008000, {"राष्ट्र 😀", "في 😀"}},
        TextCase{"OutlinesRenderedOnlyWhereTheyShow",
                 "DejaVu Sans",
                 200,
                 -60,
                 3,
                 0x00008000,
                 {"Åg", "⌠j"}}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

}  // namespace
}  // namespace t2j
