// Lines that need shaping, colour emoji, the Chinese faces' cells and punctuation, drawn through
// the font engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "text/font_engine.h"
#include "text/font_test_support.h"
#include "text/text_shaping.h"

namespace t2j {
namespace {

// The pieces drawn one after another, each at the end of the one before, on a white raster as
// wide as their sum and `pad` rows taller above and below the cell.
std::unique_ptr<Raster> DrawnInTurn(const TextFont& font, std::initializer_list<std::string> parts,
                                    int32_t pad = 0) {
  int64_t width = 0;
  for (const std::string& part : parts) width += font.Measure(part).cx;
  const int32_t cell = font.Measure("a").cy;
  auto raster = Raster::MakeWhite(static_cast<int32_t>(width), cell + 2 * pad, uint64_t{1} << 30);
  int64_t x = 0;
  for (const std::string& part : parts) {
    font.Draw(*raster, x, pad, part, kInk, kWhite, raster->width());
    x += font.Measure(part).cx;
  }
  return raster;
}

bool SamePixels(const Raster& a, const Raster& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.data(), b.data(), Raster::ByteSize(a.width(), a.height())) == 0;
}

bool Have(const char* family) { return IsInstalledFamily(family); }

TEST(ShapingTest, RightToLeftRunsReadFromTheRight) {
  if (!Have("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core missing";
  const auto font = Font("DejaVu Sans", -24);
  const auto line = DrawnInTurn(*font, {"אב"});
  EXPECT_TRUE(SamePixels(*line, *DrawnInTurn(*font, {"ב", "א"})));
  EXPECT_FALSE(SamePixels(*line, *DrawnInTurn(*font, {"א", "ב"})));
  // Left-to-right text around it keeps its place: the paragraph runs left to right.
  EXPECT_TRUE(
      SamePixels(*DrawnInTurn(*font, {"ab אב cd"}), *DrawnInTurn(*font, {"ab ", "אב", " cd"})));
}

TEST(ShapingTest, ArabicLettersJoin) {
  if (!Have("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core missing";
  const auto font = Font("DejaVu Sans", -24);
  EXPECT_FALSE(SamePixels(*DrawnInTurn(*font, {"ببب"}), *DrawnInTurn(*font, {"ب", "ب", "ب"})));
  // Lam and alef make one ligature, narrower than the two letters alone.
  EXPECT_LT(font->Measure("لا").cx, font->Measure("ل").cx + font->Measure("ا").cx);
}

TEST(ShapingTest, DecomposedPinyinDrawsAsItsComposedForm) {
  for (const int32_t em : {-16, -32}) {
    const auto font = Font("宋体", em);
    EXPECT_TRUE(
        SamePixels(*DrawnInTurn(*font, {"ni\xCC\x8C hao"}), *DrawnInTurn(*font, {"nǐ hao"})))
        << em;
  }
}

TEST(EmojiTest, ColouredInsideTheCellAtTheTextSize) {
  if (!Have("Noto Color Emoji")) GTEST_SKIP() << "fonts-noto-color-emoji missing";
  for (const int32_t em : {-16, -64}) {
    const auto font = Font("宋体", em);
    const int32_t pad = 20;
    const auto line = DrawnInTurn(*font, {"你👍"}, pad);
    EXPECT_EQ(font->Measure("a").cy, -em) << "emoji leave the cell height alone";
    EXPECT_LT(font->Measure("👍").cx, 2 * -em);
    int64_t coloured = 0;
    for (int32_t y = 0; y < line->height(); ++y) {
      for (int32_t x = 0; x < line->width(); ++x) {
        const Rgb p = line->Pixel(x, y);
        const bool ink = !(p == kWhite);
        if (y < pad || y >= line->height() - pad) {
          EXPECT_FALSE(ink) << em << " " << x << "," << y;
        }
        coloured += std::abs(p.r - p.b) > 60 ? 1 : 0;
      }
    }
    EXPECT_GT(coloured, em * em / 8) << em;
  }
}

TEST(EmojiTest, ScaledToFitEveryFacesCellWhole) {
  if (!Have("Noto Color Emoji")) GTEST_SKIP() << "fonts-noto-color-emoji missing";
  for (const char* face : {"宋体", "黑体", "楷体", "Times New Roman"}) {
    for (const int32_t em : {-16, -96}) {
      const auto font = Font(face, em);
      const InkBox ink = font->Ink("😀🇨🇳");
      EXPECT_FALSE(ink.Empty());
      EXPECT_GE(ink.top, 0) << face << em;
      EXPECT_LE(ink.bottom, font->Measure("a").cy) << face << em;
    }
  }
}

TEST(EmojiTest, SequencesAreOneGlyph) {
  if (!Have("Noto Color Emoji")) GTEST_SKIP() << "fonts-noto-color-emoji missing";
  const auto font = Font("宋体", -32);
  const int64_t one = font->Measure("👨").cx;
  EXPECT_EQ(font->Measure("👨\u200D👩\u200D👧").cx, one) << "family";
  EXPECT_EQ(font->Measure("👍🏽").cx, font->Measure("👍").cx) << "skin tone";
  EXPECT_EQ(font->Measure("🇨🇳").cx, one) << "flag";
  EXPECT_EQ(font->Measure("1\uFE0F\u20E3").cx, one) << "keycap";
}

TEST(ShapingTest, DefaultIgnorablesAreNothingInEveryPath) {
  for (const char* face : {"Arial", "Times New Roman", "宋体"}) {
    const auto font = Font(face, -32);
    // Character by character, and shaped (a right-to-left mark, a Hebrew word).
    EXPECT_TRUE(SamePixels(*DrawnInTurn(*font, {"a\u200Eb\u200Bc\u2060d\uFEFFe"}),
                           *DrawnInTurn(*font, {"abcde"})))
        << face;
    EXPECT_TRUE(SamePixels(*DrawnInTurn(*font, {"\u200F\u05E9\u05DC\u200F!"}),
                           *DrawnInTurn(*font, {"\u05E9\u05DC!"})))
        << face;
    EXPECT_TRUE(font->Uncovered("a\u200E\u200F\u2060\uFEFF\u00AD").empty()) << face;
  }
}

TEST(ShapingTest, MarksTheBaseFaceLacksComeWithTheirBaseFromAFaceWithAll) {
  const auto font = Font("黑体", -32);
  const std::string decomposed = "Tie\u0302\u0301ng Vie\u0323\u0302t";
  EXPECT_TRUE(font->Uncovered(decomposed).empty());
  EXPECT_TRUE(SamePixels(*DrawnInTurn(*font, {decomposed}), *DrawnInTurn(*font, {"Tiếng Việt"})));
}

TEST(ShapingTest, MarksPastTheBoundOnOneLetterAreLeftOut) {
  if (!Have("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core missing";
  std::u32string line = U"a";
  line.append(kMostClusterContinuations, U'\u0301');
  std::vector<char32_t> limited(line.begin(), line.end());
  limited.insert(limited.end(), 3 * kMostClusterContinuations, U'\u0302');
  LimitClusterLength(limited);
  EXPECT_EQ(std::u32string(limited.begin(), limited.end()), line);
  // A chain of joined emoji loses only a joiner at the bound; text and the usual sequences keep
  // everything.
  std::vector<char32_t> chain;
  for (int i = 0; i < 100; ++i) chain.insert(chain.end(), {U'\U0001F468', U'\u200D'});
  LimitClusterLength(chain);
  EXPECT_EQ(std::count(chain.begin(), chain.end(), U'\U0001F468'), 100);
  EXPECT_LT(std::count(chain.begin(), chain.end(), U'\u200D'), 100);
  for (const std::u32string& usual :
       {std::u32string(U"بِسْمِ اللّٰهِ"), std::u32string(U"👨\u200D👩\u200D👧🇨🇳"),
        std::u32string(U"Tie\u0302\u0301ng ｶﾞ")}) {
    std::vector<char32_t> kept(usual.begin(), usual.end());
    LimitClusterLength(kept);
    EXPECT_EQ(std::u32string(kept.begin(), kept.end()), usual);
  }

  // Twenty thousand marks on one letter: drawn as the bound's worth of them.
  const auto font = Font("DejaVu Sans", -24);
  std::string many = "a";
  std::string bound = "a";
  for (size_t i = 0; i < 20000; ++i) many += "\u0301";
  for (size_t i = 0; i < kMostClusterContinuations; ++i) bound += "\u0301";
  EXPECT_TRUE(SamePixels(*DrawnInTurn(*font, {many + "b"}), *DrawnInTurn(*font, {bound + "b"})));
}

TEST(ChineseFaceTest, CellIsTheEm) {
  for (const char* face : {"宋体", "SimSun", "新宋体", "黑体", "SimHei", "楷体", "KaiTi", "仿宋"}) {
    for (const int32_t em : {12, 13, 15, 16, 19, 32, 64}) {
      EXPECT_EQ(Font(face, -em)->Measure("a").cy, em) << face << " " << em;
    }
  }
}

// The ink box of one character drawn alone: {left, top, right, bottom}, exclusive ends.
std::array<int32_t, 4> InkBox(const TextFont& font, const std::string& text) {
  const auto raster = DrawnInTurn(font, {text});
  std::array<int32_t, 4> box{raster->width(), raster->height(), -1, -1};
  for (int32_t y = 0; y < raster->height(); ++y) {
    for (int32_t x = 0; x < raster->width(); ++x) {
      if (raster->Pixel(x, y) == kWhite) continue;
      box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
             std::max(box[3], y + 1)};
    }
  }
  return box;
}

TEST(ChineseFaceTest, SongTiPunctuationSitsAsOnTheMainland) {
  if (!Have("AR PL UMing CN")) GTEST_SKIP() << "fonts-arphic-uming missing";
  for (const int32_t em : {16, 32}) {
    const auto font = Font("宋体", -em);
    for (const char* mark : {"。", "，", "、"}) {
      const auto box = InkBox(*font, mark);
      EXPECT_LE(box[2], em / 2) << mark << em;
      EXPECT_GE(box[1], em / 2) << mark << em;
    }
    for (const char* mark : {"：", "；", "！", "？"}) {
      EXPECT_LE(InkBox(*font, mark)[2], em / 2 + 1) << mark << em;
    }
  }
}

TEST(CoverageTest, NamesWhatNoFontHas) {
  const auto font = Font("宋体", -16);
  const std::u32string expected = {0xF0000, 0x10FFFD};
  const std::vector<char32_t> missing = font->Uncovered("a\t中\U000F0000\u200D\U0010FFFD");
  EXPECT_EQ(std::u32string(missing.begin(), missing.end()), expected);
  if (Have("HanaMinB")) {
    EXPECT_TRUE(font->Uncovered("𠀀𪚥").empty()) << "CJK Extension B";
  }
}

}  // namespace
}  // namespace t2j
