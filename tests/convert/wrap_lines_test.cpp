#include "convert/wrap_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/page_split.h"
#include "convert/render_settings.h"
#include "convert/render_text.h"

namespace t2j {
namespace {

using Lines = std::vector<std::string>;

// Every character outside ASCII is 10 pixels wide, every ASCII one 5.
class GridFont final : public TextFont {
 public:
  TextExtent Measure(std::string_view text) const override {
    int64_t width = 0;
    for (unsigned char c : text) {
      if (c < 0x80) width += 5;
      if (c >= 0xC0) width += 10;
    }
    return TextExtent{width, 16};
  }
  void Draw(Raster&, int64_t, int64_t, std::string_view, Rgb, Rgb, int64_t) const override {}
};

struct WrapCase {
  const char* name;
  std::string line;
  int64_t max_width;
  Lines expected;
};

class WrapLinesTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapLinesTest, BreaksByTheRules) {
  EXPECT_EQ(WrapLines({GetParam().line}, GridFont(), GetParam().max_width), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WrapLinesTest,
    ::testing::Values(
        WrapCase{"FittingLineKeepsItsSpaces", "你好 ", 25, {"你好 "}},
        WrapCase{"BetweenHan", "你好世界啊", 40, {"你好世界", "啊"}},
        WrapCase{"ClosingNeverStartsALine", "你好世界。", 40, {"你好世", "界。"}},
        WrapCase{"ColonAndQuestionMark", "问：是吗？好", 40, {"问：是", "吗？好"}},
        WrapCase{"HalfWidthClosing", "你好世界!", 40, {"你好世", "界!"}},
        WrapCase{"HalfWidthFormsOfCjk", "你好世界｡", 40, {"你好世", "界｡"}},
        WrapCase{"OpeningNeverEndsALine", "你好世“界”", 40, {"你好世", "“界”"}},
        WrapCase{"BookTitle", "读过《红楼梦》", 30, {"读过", "《红楼", "梦》"}},
        WrapCase{"AfterClosingQuoteBeforeHan", "他说：“好”我们走", 60, {"他说：“好”", "我们走"}},
        WrapCase{"WordsAtSpacesDropped", "hello world foo", 60, {"hello world", "foo"}},
        WrapCase{"IdeographicSpaceDropped", "你好　世界", 30, {"你好", "世界"}},
        WrapCase{"HanThenLatin", "中文abc def", 40, {"中文abc", "def"}},
        WrapCase{"OverlongWordCut", "abcdefghijkl", 25, {"abcde", "fghij", "kl"}},
        WrapCase{"OverlongWordKeepsPunctuationRule", "abcdefgh.", 40, {"abcdefg", "h."}},
        WrapCase{"IterationMarkStaysWithItsHan", "他是人々の友人", 30, {"他是", "人々の", "友人"}},
        WrapCase{"MiddleDotNeverStartsALine", "卡尔·马克思", 20, {"卡", "尔·", "马克", "思"}},
        WrapCase{"EllipsisStaysWhole", "abcd……", 30, {"abcd", "……"}},
        WrapCase{"IndentKeptWhileTheFirstWordFits", "  abc def", 30, {"  abc", "def"}},
        WrapCase{"IndentDroppedBeforeAWordTooWide", "     abc def ghi", 30, {"abc", "def", "ghi"}},
        WrapCase{"SignatureKeepsTheSpacesThatFit", "          张三", 40, {"    张三"}},
        WrapCase{"SpacesOnlyBecomeEmpty", "      ", 10, {""}},
        WrapCase{"EmptyLineAtAnyWidth", "", -5, {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WrapLinesFailureTest, OneCharacterWiderThanTheWidth) {
  EXPECT_THROW(WrapLines({"ab你"}, GridFont(), 9), ETooNarrow);
  EXPECT_THROW(WrapLines({"a"}, GridFont(), 0), ETooNarrow);
}

// With the real font every piece fits, and nothing but the dropped spaces is lost.
TEST(WrapLinesFontTest, PiecesFitAndKeepTheText) {
  std::string paragraph =
      "“长图”是把一段文字排成一张很长的图片，方便在手机上阅读和转发。每一行的宽度都不超过"
      "图片的宽度减去两边的页边距；标点符号（，。、；：？！）不会出现在行首。Mixed English words "
      "are broken at spaces, and averyveryverylongwordwithoutanyspaceatall is cut where it must "
      "be. Shaped words are measured as drawn: مرحبا بالعالم هذا نص عربي طويل राष्ट्र कृष्ण हिन्दी ";
  for (int i = 0; i < 40; ++i) paragraph += "e\u0301";  // a long word of letters with marks
  const RenderSettings settings{"宋体", 12, kDefaultTextColor, 4, 10};
  const auto font = SystemFontEngine().CreateFont(MakeLogFont(settings, 96));
  const Lines lines = WrapLines({paragraph}, *font, 200);
  ASSERT_GT(lines.size(), 5u);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(font->Measure(line).cx, 200) << line;
    EXPECT_FALSE(line.starts_with("，") || line.starts_with("。") || line.starts_with("）"))
        << line;
    joined += line;
  }
  std::string without_spaces;
  for (char c : paragraph) {
    if (c != ' ') without_spaces += c;
  }
  std::erase(joined, ' ');
  EXPECT_EQ(joined, without_spaces);
}

TEST(PageSplitTest, PagesEndAtTheLastLineThatFits) {
  // h 16, spacing 4, margin 10: k lines take 20k + 16 rows.
  EXPECT_EQ(LinesPerPage(16, 4, 10, 96), 4u);
  EXPECT_EQ(LinesPerPage(16, 4, 10, 95), 3u);
  EXPECT_EQ(LinesPerPage(16, 4, 10, 36), 1u);
  EXPECT_THROW(LinesPerPage(16, 4, 10, 35), Exception);
  EXPECT_EQ(LinesPerPage(16, -16, 10, 36), SIZE_MAX);
  EXPECT_EQ(LinesPerPage(16, 4, 10, 65500), 3274u);

  const auto pages = SplitPages({"1", "2", "3", "4", "5"}, 2);
  EXPECT_EQ(pages, (std::vector<Lines>{{"1", "2"}, {"3", "4"}, {"5"}}));
  EXPECT_EQ(SplitPages({}, 3), (std::vector<Lines>{{}}));
}

}  // namespace
}  // namespace t2j
