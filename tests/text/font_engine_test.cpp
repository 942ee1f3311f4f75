#include "text/font_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "platform/failure.h"
#include "text/font_test_support.h"

namespace t2j {
namespace {

bool HaveUMing() { return IsInstalledFamily("AR PL UMing CN"); }

// The text drawn alone on a white raster just large enough for its cell.
std::unique_ptr<Raster> Drawn(const TextFont& font, std::string_view text, Rgb ink = kInk) {
  const TextExtent extent = font.Measure(text);
  std::unique_ptr<Raster> raster = Raster::MakeWhite(
      static_cast<int32_t>(std::max<int64_t>(extent.cx, 1)), extent.cy, uint64_t{1} << 30);
  font.Draw(*raster, 0, 0, text, ink, kWhite, raster->width());
  return raster;
}

int64_t InkCount(const Raster& raster) {
  int64_t ink = 0;
  for (int32_t y = 0; y < raster.height(); ++y) {
    for (int32_t x = 0; x < raster.width(); ++x) ink += raster.Pixel(x, y) == kWhite ? 0 : 1;
  }
  return ink;
}

bool SamePixels(const Raster& a, const Raster& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.data(), b.data(), Raster::ByteSize(a.width(), a.height())) == 0;
}

TEST(FontHeightTest, NegativeHeightIsTheCharacterHeight) {
  if (!HaveUMing()) GTEST_SKIP() << "fonts-arphic-uming missing";
  // A hanzi of AR PL UMing is one em wide.
  for (int32_t em : {12, 16, 19, 40}) {
    EXPECT_EQ(Font("宋体", -em)->Measure("中").cx, em) << em;
  }
}

TEST(FontHeightTest, PositiveHeightIsTheCellHeight) {
  for (const char* face : {"宋体", "MS Sans Serif", "黑体", "Courier New"}) {
    for (int32_t cell : {1, 16, 17, 33, 100}) {
      EXPECT_EQ(Font(face, cell)->Measure("a").cy, cell) << face << " " << cell;
    }
  }
}

TEST(FontHeightTest, ZeroHeightIsSixteenPixelsOfCharacter) {
  const auto zero = Font("宋体", 0);
  const auto sixteen = Font("宋体", -16);
  EXPECT_EQ(zero->Measure("中文abc").cx, sixteen->Measure("中文abc").cx);
  EXPECT_EQ(zero->Measure("a").cy, sixteen->Measure("a").cy);
}

TEST(FontHeightTest, AbsurdSizesFailWithAMessage) {
  for (int32_t height :
       {-65536, std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::min(),
        std::numeric_limits<int32_t>::max(), 100000000}) {
    try {
      Font("宋体", height);
      ADD_FAILURE() << "no failure for " << height;
    } catch (const EOutOfResources& failure) {
      EXPECT_NE(std::string(failure.what()).find("字号太大"), std::string::npos) << failure.what();
    }
  }
}

TEST(MeasureTest, SumsAdvancesWithoutKerningOrTabStops) {
  const auto font = Font("宋体", -16);
  const int32_t cy = font->Measure("a").cy;
  EXPECT_EQ(font->Measure("").cx, 0);
  EXPECT_EQ(font->Measure("").cy, cy);
  EXPECT_EQ(font->Measure("中文\t").cy, cy);
  const std::string parts[] = {"A", "V", "a", "\t", "中", "，", "W", "o"};
  std::string all;
  int64_t sum = 0;
  for (const std::string& part : parts) {
    all += part;
    sum += font->Measure(part).cx;
  }
  EXPECT_EQ(font->Measure(all).cx, sum);
  const int64_t tab = font->Measure("\t").cx;
  EXPECT_GT(tab, 0);
  EXPECT_LT(tab, 4 * font->Measure(" ").cx) << "a tab is one glyph, not a tab stop";
}

TEST(MeasureTest, LatinLetterIsHalfAHanziInSongTi) {
  if (!HaveUMing()) GTEST_SKIP() << "fonts-arphic-uming missing";
  const auto font = Font("宋体", -16);
  const int64_t hanzi = font->Measure("字").cx;
  for (const char* letter : {"a", "M", "i", "1"}) {
    EXPECT_NEAR(2 * font->Measure(letter).cx, hanzi, 1) << letter;
  }
}

TEST(MeasureTest, BrokenUtf8IsMeasuredNotSkipped) {
  const auto font = Font("宋体", -16);
  EXPECT_GT(font->Measure("\xE4\xB8").cx, 0);  // a cut character
  EXPECT_GT(font->Measure("\xFF").cx, 0);
}

TEST(DrawTest, SongTiDrawsHanziThroughAFontThatHasThem) {
  const auto font = Font("宋体", -16);
  const auto hanzi = Drawn(*font, "中");
  const auto other = Drawn(*font, "国");
  const auto missing = Drawn(*font, "\U0010FFFD");  // no font has it: .notdef
  EXPECT_GT(InkCount(*hanzi), 20);
  EXPECT_FALSE(SamePixels(*hanzi, *other));
  EXPECT_FALSE(SamePixels(*hanzi, *missing)) << "drawn as an empty box";
}

TEST(DrawTest, LatinFacesFallBackForHanzi) {
  for (const char* face : {"MS Sans Serif", "Times New Roman", "No Such Face 123"}) {
    SCOPED_TRACE(face);
    const auto font = Font(face, -16);
    const auto hanzi = Drawn(*font, "中");
    const auto missing = Drawn(*font, "\U0010FFFD");
    EXPECT_GT(InkCount(*hanzi), 20);
    EXPECT_FALSE(SamePixels(*hanzi, *missing));
    EXPECT_GT(InkCount(*Drawn(*font, "Abc")), 10);
    // The fallback glyph stands on the primary face's baseline, inside its cell.
    int32_t lowest_ink_row = -1;
    for (int32_t y = 0; y < hanzi->height(); ++y) {
      for (int32_t x = 0; x < hanzi->width(); ++x) {
        if (!(hanzi->Pixel(x, y) == kWhite)) lowest_ink_row = y;
      }
    }
    EXPECT_GT(lowest_ink_row, hanzi->height() / 2);
  }
}

TEST(DrawTest, FillsTheCellWithTheBackgroundAndInksOnlyThere) {
  const auto font = Font("宋体", -16);
  const TextExtent extent = font->Measure("文字");
  std::unique_ptr<Raster> raster = Raster::MakeWhite(60, 40, uint64_t{1} << 30);
  const Rgb background{10, 20, 30};
  const Rgb ink{200, 150, 100};
  font->Draw(*raster, 5, 7, "文字", ink, background, 1000);
  int64_t inked = 0;
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 60; ++x) {
      const Rgb pixel = raster->Pixel(x, y);
      const bool in_cell = x >= 5 && x < 5 + extent.cx && y >= 7 && y < 7 + extent.cy;
      if (!in_cell) {
        ASSERT_EQ(pixel, kWhite) << x << "," << y;
      } else if (!(pixel == background)) {
        ++inked;
        // Between background and ink, channel by channel.
        ASSERT_GE(pixel.r, background.r);
        ASSERT_GE(pixel.g, background.g);
        ASSERT_GE(pixel.b, background.b);
        ASSERT_LE(pixel.r, ink.r);
      }
    }
  }
  EXPECT_GT(inked, 20);
}

TEST(DrawTest, ClipsAtTheRightLimitAndTheRasterEdges) {
  const auto font = Font("宋体", -16);
  const auto whole = Drawn(*font, "中中中");
  std::unique_ptr<Raster> clipped = Raster::MakeWhite(whole->width(), whole->height(), 1 << 30);
  font->Draw(*clipped, 0, 0, "中中中", kInk, kWhite, 20);
  for (int32_t y = 0; y < whole->height(); ++y) {
    for (int32_t x = 0; x < whole->width(); ++x) {
      ASSERT_EQ(clipped->Pixel(x, y), x < 20 ? whole->Pixel(x, y) : kWhite) << x << "," << y;
    }
  }
  // Partly or wholly outside: what shows is cut, nothing else happens.
  std::unique_ptr<Raster> small = Raster::MakeWhite(10, 8, 1 << 30);
  for (const auto& [x, y] : {std::pair<int64_t, int64_t>{-7, -5},
                             {5, 4},
                             {-1000, 0},
                             {0, 1000},
                             {std::numeric_limits<int32_t>::min(), 3}}) {
    font->Draw(*small, x, y, "中文字", kInk, kWhite, 10);
  }
  font->Draw(*small, 0, 0, "中文字", kInk, kWhite, std::numeric_limits<int32_t>::min());
  EXPECT_GT(InkCount(*small), 0);
}

TEST(DrawTest, GrayscaleAtLargeSizesAndColourChannelsInOrder) {
  const auto font = Font("宋体", -40);
  const Rgb ink{255, 0, 0};
  const auto raster = Drawn(*font, "永", ink);
  bool partial = false;
  for (int32_t y = 0; y < raster->height(); ++y) {
    for (int32_t x = 0; x < raster->width(); ++x) {
      const Rgb pixel = raster->Pixel(x, y);
      ASSERT_EQ(pixel.r, 255) << "red ink over white keeps red full";
      ASSERT_EQ(pixel.g, pixel.b);
      partial = partial || (pixel.g > 0 && pixel.g < 255);
    }
  }
  EXPECT_TRUE(partial) << "antialiased edges";
}

TEST(DrawTest, SongTiAtTwelvePointsDrawsItsBitmapsCrisply) {
  if (!HaveUMing()) GTEST_SKIP() << "fonts-arphic-uming missing";
  // AR PL UMing carries bitmaps for 11 to 16 pixels, which fontconfig lets us use, as 宋体
  // itself does at these sizes: every pixel is ink or background.
  const auto raster = Drawn(*Font("宋体", -16), "宋体字", Rgb{0, 128, 0});
  for (int32_t y = 0; y < raster->height(); ++y) {
    for (int32_t x = 0; x < raster->width(); ++x) {
      const Rgb pixel = raster->Pixel(x, y);
      ASSERT_TRUE(pixel == kWhite || pixel == (Rgb{0, 128, 0})) << x << "," << y;
    }
  }
}

TEST(DrawTest, RepeatedDrawsGiveTheSamePixels) {
  const auto font = Font("黑体", -19);
  const auto first = Drawn(*font, "缓存后的字形 cached");
  const auto second = Drawn(*font, "缓存后的字形 cached");
  EXPECT_TRUE(SamePixels(*first, *second));
  const auto fresh = Drawn(*Font("黑体", -19), "缓存后的字形 cached");
  EXPECT_TRUE(SamePixels(*first, *fresh));
}

struct RowsCase {
  const char* name;
  const char* face;
  int32_t height;
  const char* text;
};

class DrawnRowsTest : public ::testing::TestWithParam<RowsCase> {};

// A picture drawn in bands relies on this: nothing outside the span changes, and the span holds
// the cell.
TEST_P(DrawnRowsTest, HoldTheCellAndEveryRowThatChanges) {
  const RowsCase& row = GetParam();
  const auto font = Font(row.face, row.height);
  const TextExtent extent = font->Measure(row.text);
  const RowSpan span = font->DrawnRows(row.text);
  EXPECT_LE(span.top, 0);
  EXPECT_GE(span.bottom, extent.cy);
  const int32_t y = extent.cy;
  std::unique_ptr<Raster> raster =
      Raster::MakeWhite(static_cast<int32_t>(extent.cx), 3 * extent.cy, uint64_t{1} << 30);
  font->Draw(*raster, 0, y, row.text, kInk, Rgb{250, 250, 250}, raster->width());
  int32_t first = raster->height();
  int32_t last = -1;
  for (int32_t r = 0; r < raster->height(); ++r) {
    for (int32_t x = 0; x < raster->width(); ++x) {
      if (!(raster->Pixel(x, r) == kWhite)) {
        first = std::min(first, r);
        last = std::max(last, r);
      }
    }
  }
  ASSERT_GE(last, first) << "nothing drawn";
  EXPECT_GE(first, y + span.top);
  EXPECT_LT(last, y + span.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawnRowsTest,
    ::testing::Values(RowsCase{"SongTiBitmaps", "宋体", -16, "宋体字 Ag"},
                      RowsCase{"FallbackInkOutsideTheCell", "宋体", -16, "⎛⎞∫⌠⌡ℬ℘∰"},
                      RowsCase{"AccentsOverTheCell", "Liberation Sans", -16, "ÅÉÎ ǺǼǾ gjpqy"},
                      RowsCase{"OutlinesNotRenderedWhenMeasured", "DejaVu Sans", -300, "Åg⌠"},
                      RowsCase{"ImagesTooLargeToKeep", "宋体", -600, "永∫"}),
    [](const ::testing::TestParamInfo<RowsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace t2j
