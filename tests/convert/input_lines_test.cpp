#include "convert/input_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gb18030.h"

namespace t2j {
namespace {

using Lines = std::vector<std::string>;

struct LinesCase {
  const char* name;
  std::string text;
  Lines expected;
};

class InputLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(InputLinesTest, SplitsLikeTheInputBox) {
  EXPECT_EQ(InputLines(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputLinesTest,
    ::testing::Values(LinesCase{"Empty", "", {}}, LinesCase{"OneLine", "abc", {"abc"}},
                      LinesCase{"TrailingBreakDropped", "abc\n", {"abc"}},
                      LinesCase{"TwoBreaksKeepOneEmptyLine", "abc\n\n", {"abc", ""}},
                      LinesCase{"OnlyTwoBreaks", "\n\n", {"", ""}},
                      LinesCase{"OnlyOneBreak", "\n", {""}},
                      LinesCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"LoneCr", "a\rb", {"a", "b"}},
                      LinesCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                      LinesCase{"LfCr", "a\n\rb", {"a", "", "b"}},
                      LinesCase{"InnerEmptyLinesCount", "a\n\n\nb", {"a", "", "", "b"}},
                      LinesCase{"TabKept", "a\tb", {"a\tb"}},
                      LinesCase{"Chinese", "说明：\n   2 生成", {"说明：", "   2 生成"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputLinesCutTest, CutsAtTheByteLimitOfGb18030) {
  const std::string exact(kMaxLineBytes, 'a');
  EXPECT_EQ(InputLines(exact + "\n" + exact + "b"), (Lines{exact, exact}));
}

TEST(InputLinesCutTest, NeverSplitsADoubleByteCharacter) {
  // 4095 ASCII bytes, then 汉 (two GB18030 bytes, three UTF-8 bytes) straddles the limit.
  const std::string head(kMaxLineBytes - 1, 'a');
  const Lines lines = InputLines(head + "汉字");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], head);
  // Hanzi all the way: 2048 of them fit exactly, the 2049th does not.
  std::string hanzi;
  for (int i = 0; i < 2049; ++i) hanzi += "字";
  const Lines cut = InputLines(hanzi);
  EXPECT_EQ(Gb18030Length(cut[0]), kMaxLineBytes);
  EXPECT_EQ(cut[0].size(), 2048u * 3);
}

TEST(InputLinesCutTest, CountsGb18030BytesNotUtf8Bytes) {
  // U+20000 and ß take four GB18030 bytes, é two (it is in the two-byte area).
  const std::string three_short(kMaxLineBytes - 3, 'a');
  EXPECT_EQ(InputLines(three_short + "\xF0\xA0\x80\x80")[0], three_short);
  EXPECT_EQ(InputLines(three_short + "ß")[0], three_short);
  const std::string four_short(kMaxLineBytes - 4, 'a');
  EXPECT_EQ(InputLines(four_short + "ß")[0], four_short + "ß");
  const std::string two_short(kMaxLineBytes - 2, 'a');
  EXPECT_EQ(InputLines(two_short + "é")[0], two_short + "é");
}

}  // namespace
}  // namespace t2j
