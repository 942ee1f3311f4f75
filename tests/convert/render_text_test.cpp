#include "convert/render_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/jpeg_image.h"
#include "platform/failure.h"

namespace t2j {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr int32_t kFakeCellHeight = 16;

struct DrawCall {
  int64_t x = 0;
  int64_t y = 0;
  std::string text;
  Rgb color;
  Rgb background;
  int64_t clip_right = 0;
};

// Measures each text as the table says (10 pixels a byte otherwise) and records every draw.
class FakeEngine : public FontEngine {
 public:
  std::map<std::string, int64_t> widths;
  std::vector<DrawCall> draws;
  std::vector<LogFont> fonts;

  std::unique_ptr<TextFont> CreateFont(const LogFont& log_font) override {
    fonts.push_back(log_font);
    return std::make_unique<Font>(*this);
  }

 private:
  class Font : public TextFont {
   public:
    explicit Font(FakeEngine& engine) : engine_(engine) {}
    TextExtent Measure(std::string_view text) const override {
      const auto it = engine_.widths.find(std::string(text));
      const int64_t width =
          it != engine_.widths.end() ? it->second : static_cast<int64_t>(text.size()) * 10;
      return TextExtent{width, kFakeCellHeight};
    }
    void Draw(Raster&, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
              int64_t clip_right) const override {
      engine_.draws.push_back(DrawCall{x, y, std::string(text), color, background, clip_right});
    }

   private:
    FakeEngine& engine_;
  };
};

RenderSettings Settings(int32_t spacing, int32_t margin) {
  RenderSettings settings;
  settings.FontName = "宋体";
  settings.LineSpacing = spacing;
  settings.Margin = margin;
  return settings;
}

TEST(RenderTextGeometryTest, ThreeLinesWidenAsTheyAreMeasured) {
  FakeEngine engine;
  engine.widths = {{"one", 30}, {"two", 50}, {"three", 40}};
  const RenderedPicture picture =
      RenderText({"one", "two", "three"}, Settings(4, 10), engine, kDefaultPixelsPerInch);

  EXPECT_EQ(picture.Width, 70);
  EXPECT_EQ(picture.Height, 76);
  ASSERT_FALSE(picture.Empty());
  EXPECT_EQ(picture.Pixels->width(), 70);
  EXPECT_EQ(picture.Pixels->height(), 76);

  ASSERT_EQ(engine.draws.size(), 3u);
  const int64_t ys[] = {10, 30, 50};
  // No ink is cut at an edge the picture had before it widened: every line may draw up to the
  // final right edge.
  const int64_t clips[] = {70, 70, 70};
  const char* texts[] = {"one", "two", "three"};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(engine.draws[i].x, 10);
    EXPECT_EQ(engine.draws[i].y, ys[i]);
    EXPECT_EQ(engine.draws[i].clip_right, clips[i]);
    EXPECT_EQ(engine.draws[i].text, texts[i]);
    EXPECT_EQ(engine.draws[i].color, RgbOf(kDefaultTextColor));
    EXPECT_EQ(engine.draws[i].background, kWhite);
  }
  ASSERT_EQ(engine.fonts.size(), 1u);
  EXPECT_EQ(engine.fonts[0].lfHeight, -16);
  EXPECT_EQ(engine.fonts[0].lfFaceName, "宋体");
}

TEST(RenderTextGeometryTest, AlignedLinesShareTheWidestLinesRoomAndCellsTakeTheBackground) {
  const std::vector<std::string> lines = {"one", "two", "three"};
  struct Row {
    LineAlignment alignment;
    std::vector<int64_t> x;
  };
  // Widths 30, 51, 40 between margins of 10: the picture is 71 wide.
  for (const Row& row :
       {Row{LineAlignment::kLeft, {10, 10, 10}}, Row{LineAlignment::kCenter, {20, 10, 15}},
        Row{LineAlignment::kRight, {31, 10, 21}}}) {
    FakeEngine engine;
    engine.widths = {{"one", 30}, {"two", 51}, {"three", 40}};
    // Overlapping cells are filled before their glyphs are drawn.
    RenderSettings settings = Settings(-2, 10);
    settings.Alignment = row.alignment;
    settings.BackgroundColor = 0xFF000005;  // clWindow: white by default
    settings.TextColor = 0x00123456;
    const RenderedPicture picture = RenderText(lines, settings, engine, kDefaultPixelsPerInch);
    ASSERT_EQ(picture.Width, 71);
    ASSERT_EQ(engine.draws.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(engine.draws[i].x, row.x[i]) << i;
      EXPECT_EQ(engine.draws[i].clip_right, 71) << i;
      EXPECT_EQ(engine.draws[i].background, RgbOf(GetSysColor(5))) << i;
    }
  }
}

TEST(RenderTextGeometryTest, TextColourResolvesSystemColoursAndDropsTheTopByte) {
  const struct {
    ColorValue value;
    Rgb expected;
  } table[] = {
      {0x00336699, Rgb{0x99, 0x66, 0x33}},
      {0x12345678, Rgb{0x78, 0x56, 0x34}},
      {kSystemColorFlag | 13, RgbOf(GetSysColor(13))},  // highlight
      {0xFF000008, RgbOf(GetSysColor(8))},              // window text
  };
  for (const auto& row : table) {
    FakeEngine engine;
    RenderSettings settings = Settings(4, 10);
    settings.TextColor = row.value;
    RenderText({"x"}, settings, engine, kDefaultPixelsPerInch);
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].color, row.expected) << std::hex << row.value;
  }
}

struct GeometryCase {
  const char* name;
  std::vector<std::string> lines;
  std::map<std::string, int64_t> widths;
  int32_t spacing;
  int32_t margin;
  bool fails;
  int32_t width = 0;   // when it does not fail
  int32_t height = 0;  // when it does not fail
  bool empty = false;
};

class RenderTextCaseTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(RenderTextCaseTest, SizeFailureAndPixels) {
  const GeometryCase& row = GetParam();
  FakeEngine engine;
  engine.widths = row.widths;
  engine.widths[""] = 0;
  if (row.fails) {
    try {
      RenderText(row.lines, Settings(row.spacing, row.margin), engine, kDefaultPixelsPerInch);
      ADD_FAILURE() << "no failure";
    } catch (const EOutOfResources& failure) {
      EXPECT_STRNE(failure.what(), "");
    }
    EXPECT_TRUE(engine.draws.empty()) << "drew before failing";
    return;
  }
  const RenderedPicture picture =
      RenderText(row.lines, Settings(row.spacing, row.margin), engine, kDefaultPixelsPerInch);
  EXPECT_EQ(picture.Width, row.width);
  EXPECT_EQ(picture.Height, row.height);
  EXPECT_EQ(picture.Empty(), row.empty);
  if (row.empty) {
    EXPECT_TRUE(engine.draws.empty());
  }
}

constexpr int64_t kHuge = int64_t{1} << 31;

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderTextCaseTest,
    ::testing::Values(
        GeometryCase{"NoLinesAtStartUpValues", {}, {}, 4, 10, false, 0, 16, true},
        GeometryCase{"NoLinesNoMarginIsNegativeHeightButEmpty", {}, {}, 4, 0, false, 0, -4, true},
        GeometryCase{"OnlyEmptyLines", {"", ""}, {}, 4, 10, false, 0, 56, true},
        GeometryCase{"EmptyLineAfterText", {"abc", ""}, {{"abc", 30}}, 4, 10, false, 50, 56, false},
        GeometryCase{"SpacingZeroCellsTouch", {"a", "b"}, {}, 0, 0, false, 10, 32, false},
        GeometryCase{"NegativeMarginToZeroWidth", {"ab"}, {{"ab", 20}}, 4, -10, false, 0, -4, true},
        GeometryCase{
            "NegativeMarginPositiveSize", {"abcd"}, {{"abcd", 40}}, 4, -5, false, 30, 6, false},
        GeometryCase{"FirstWideningNegativeFailsThoughLastIsNot",
                     {"a", "b"},
                     {{"a", 20}, {"b", 70}},
                     4,
                     -30,
                     true},
        GeometryCase{
            "NegativeWidthWithZeroHeightIsEmpty", {"a"}, {{"a", 10}}, 0, -8, false, -6, 0, true},
        GeometryCase{"PositiveWidthNegativeHeightFails", {"a", "b"}, {}, -100, 10, true},
        GeometryCase{
            "HeightBeyond32Bits", {"a", "b"}, {}, std::numeric_limits<int32_t>::max(), 10, true},
        GeometryCase{
            "HeightBelow32Bits", {"a", "b", "c"}, {}, std::numeric_limits<int32_t>::min(), 0, true},
        GeometryCase{"WidthBeyond32Bits", {"wide"}, {{"wide", kHuge}}, 4, 0, true},
        // Too wide for the encoder: no raster of gigabytes is made for a picture it refuses.
        GeometryCase{"WidthJustFits32BitsGetsNoRaster",
                     {"wide"},
                     {{"wide", kHuge - 1}},
                     4,
                     0,
                     false,
                     std::numeric_limits<int32_t>::max(),
                     16,
                     true}),
    [](const ::testing::TestParamInfo<GeometryCase>& info) { return info.param.name; });

TEST(RenderTextGeometryTest, LaterOverlappingCellIsDrawnLater) {
  FakeEngine engine;
  RenderText({"first", "second"}, Settings(-10, 0), engine, kDefaultPixelsPerInch);
  ASSERT_EQ(engine.draws.size(), 2u);
  EXPECT_EQ(engine.draws[0].text, "first");
  EXPECT_EQ(engine.draws[0].y, 0);
  EXPECT_EQ(engine.draws[1].y, 6);
}

// The real engine, probed pixel by pixel.

const Raster& PixelsOf(const RenderedPicture& picture) {
  if (picture.Empty()) throw std::runtime_error("empty picture");
  return *picture.Pixels;
}

bool RowsWhite(const Raster& raster, int32_t top, int32_t bottom, int32_t left, int32_t right) {
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = left; x < right; ++x) {
      if (!(raster.Pixel(x, y) == kWhite)) return false;
    }
  }
  return true;
}

int64_t InkCount(const Raster& raster, int32_t top, int32_t bottom, int32_t left, int32_t right) {
  int64_t ink = 0;
  for (int32_t y = top; y < bottom; ++y) {
    for (int32_t x = left; x < right; ++x) ink += raster.Pixel(x, y) == kWhite ? 0 : 1;
  }
  return ink;
}

TEST(RenderTextPixelsTest, MarginIsWhiteAndInkLiesInsideTheCells) {
  const RenderSettings settings = Settings(6, 12);
  const std::vector<std::string> lines = {"你好，世界", "Hello 转换", "", "宋体"};
  const RenderedPicture picture =
      RenderText(lines, settings, SystemFontEngine(), kDefaultPixelsPerInch);
  const Raster& raster = PixelsOf(picture);
  const std::unique_ptr<TextFont> font =
      SystemFontEngine().CreateFont(MakeLogFont(settings, kDefaultPixelsPerInch));
  const int32_t h = font->Measure("a").cy;
  ASSERT_EQ(picture.Height, 4 * (h + 6) - 6 + 24);

  const int32_t w = picture.Width;
  const int32_t m = settings.Margin;
  EXPECT_TRUE(RowsWhite(raster, 0, m, 0, w));
  EXPECT_TRUE(RowsWhite(raster, picture.Height - m, picture.Height, 0, w));
  EXPECT_TRUE(RowsWhite(raster, 0, picture.Height, 0, m));
  EXPECT_TRUE(RowsWhite(raster, 0, picture.Height, w - m, w));
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const int32_t top = m + static_cast<int32_t>(i) * (h + 6);
    const int32_t line_width = static_cast<int32_t>(font->Measure(lines[i]).cx);
    EXPECT_EQ(InkCount(raster, top, top + h, m, m + line_width) > 0, !lines[i].empty());
    EXPECT_TRUE(RowsWhite(raster, top, top + h, m + line_width, w));
    EXPECT_TRUE(RowsWhite(raster, top + h, top + h + 6, 0, w)) << "spacing below the line";
  }
}

TEST(RenderTextPixelsTest, EachAddedLineAddsOnePitchAndLeavesTheOthers) {
  const RenderSettings settings = Settings(4, 10);
  const std::vector<std::string> two = {"文本to图片", "第二行"};
  std::vector<std::string> three = two;
  three.push_back("第三行");
  const RenderedPicture a = RenderText(two, settings, SystemFontEngine(), kDefaultPixelsPerInch);
  const RenderedPicture b = RenderText(three, settings, SystemFontEngine(), kDefaultPixelsPerInch);
  const std::unique_ptr<TextFont> font =
      SystemFontEngine().CreateFont(MakeLogFont(settings, kDefaultPixelsPerInch));
  EXPECT_EQ(b.Height - a.Height, font->Measure("a").cy + 4);
  ASSERT_EQ(a.Width, b.Width);
  for (int32_t y = 0; y < a.Height - 10; ++y) {
    for (int32_t x = 0; x < a.Width; ++x) {
      ASSERT_EQ(PixelsOf(a).Pixel(x, y), PixelsOf(b).Pixel(x, y)) << x << "," << y;
    }
  }
}

TEST(RenderTextPixelsTest, LaterWhiteCellCoversTheEarlierLine) {
  const RenderSettings settings = Settings(-8, 10);
  const std::string later = "覆盖覆盖覆盖";
  const RenderedPicture over_ink =
      RenderText({"黑黑黑黑黑黑黑黑", later}, settings, SystemFontEngine(), kDefaultPixelsPerInch);
  const RenderedPicture over_nothing =
      RenderText({"        ", later}, settings, SystemFontEngine(), kDefaultPixelsPerInch);
  const std::unique_ptr<TextFont> font =
      SystemFontEngine().CreateFont(MakeLogFont(settings, kDefaultPixelsPerInch));
  const TextExtent cell = font->Measure(later);
  const int32_t top = 10 + cell.cy - 8;
  ASSERT_EQ(over_ink.Height, over_nothing.Height);
  for (int32_t y = top; y < top + cell.cy; ++y) {
    for (int32_t x = 10; x < 10 + cell.cx; ++x) {
      ASSERT_EQ(PixelsOf(over_ink).Pixel(x, y), PixelsOf(over_nothing).Pixel(x, y))
          << x << "," << y;
    }
  }
  // Above the overlap the first line's ink is still there.
  EXPECT_GT(InkCount(PixelsOf(over_ink), 10, top, 10, 10 + static_cast<int32_t>(cell.cx)), 0);
}

// Fallback glyphs reach outside the chosen face's cell: below it (descenders in 黑体, Devanagari
// vowel signs) or into the next line (Arabic dots at spacing 0).
TEST(RenderTextPixelsTest, InkOutsideItsCellIsKeptWholeAndThePictureGrowsForIt) {
  const struct {
    const char* face;
    int32_t size;
    const char* text;
  } cases[] = {{"黑体", 72, "gjpqy"}, {"宋体", 24, "في البيت"}, {"宋体", 72, "राष्ट्र कृष्ण"}};
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text);
    const auto ink_of = [&](const std::vector<std::string>& lines, int32_t margin) {
      RenderSettings settings = Settings(0, margin);
      settings.FontName = row.face;
      settings.FontSize = row.size;
      const RenderedPicture picture =
          RenderText(lines, settings, SystemFontEngine(), kDefaultPixelsPerInch);
      return InkCount(PixelsOf(picture), 0, picture.Height, 0, picture.Width);
    };
    const int64_t whole = ink_of({row.text}, 60);
    EXPECT_EQ(ink_of({row.text}, 0), whole) << "cut at an edge";
    EXPECT_EQ(ink_of({row.text, "   "}, 60), whole) << "covered by the next line's cell";
  }
}

TEST(RenderTextPixelsTest, DefaultFontAndUnknownFontsDraw) {
  for (const char* name : {"Default", "", "没有这个字体", "No Such Face 123"}) {
    SCOPED_TRACE(name);
    RenderSettings settings = Settings(4, 10);
    settings.FontName = name;
    const RenderedPicture picture =
        RenderText({"Abc 中文"}, settings, SystemFontEngine(), kDefaultPixelsPerInch);
    const Raster& raster = PixelsOf(picture);
    EXPECT_GT(InkCount(raster, 0, raster.height(), 0, raster.width()), 20);
  }
}

TEST(RenderTextPixelsTest, NegativeMarginClipsAtTheEdges) {
  const RenderedPicture picture =
      RenderText({"中文中文", "中"}, Settings(4, -3), SystemFontEngine(), kDefaultPixelsPerInch);
  ASSERT_FALSE(picture.Empty());
  EXPECT_GT(InkCount(PixelsOf(picture), 0, picture.Height, 0, picture.Width), 0);
}

}  // namespace
}  // namespace t2j

namespace t2j {
namespace {

// Any 32-bit value in any field ends in a picture or a message: no crash, no undefined
// behaviour (the sanitizer build runs this), no raster beyond what the encoder takes.
TEST(RenderTextExtremesTest, EveryFieldTakesEvery32BitValue) {
  const int32_t kMin = std::numeric_limits<int32_t>::min();
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  const int32_t values[] = {kMin, kMin + 1, -1610612736, -65536, -1, 0, 1, 65536, 1610612736, kMax};
  const std::vector<std::string> lines = {"Ab中", "", "x"};
  for (int field = 0; field < 3; ++field) {
    for (const int32_t value : values) {
      RenderSettings settings;
      settings.FontName = "宋体";
      (field == 0   ? settings.FontSize
       : field == 1 ? settings.LineSpacing
                    : settings.Margin) = value;
      try {
        const TextLayout layout(lines, settings, SystemFontEngine(), kDefaultPixelsPerInch);
        BandedRows rows(layout);
        std::string stream;
        EncodeJpeg(layout.Width(), layout.Height(), rows, stream);
      } catch (const Exception& failure) {
        EXPECT_STRNE(failure.what(), "") << field << " " << value;
      }
    }
  }
}

}  // namespace
}  // namespace t2j
