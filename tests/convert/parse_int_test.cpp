#include "convert/parse_int.h"

#include <gtest/gtest.h>

#include <string>

namespace t2j {
namespace {

struct ParseCase {
  const char* name;
  std::string text;
  int32_t expected;  // with fallback 9
};

class ParseIntOrDefaultTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIntOrDefaultTest, GivesValueOrFallback) {
  EXPECT_EQ(ParseIntOrDefault(GetParam().text, 9), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseIntOrDefaultTest,
    ::testing::Values(
        ParseCase{"Plain", "12", 12}, ParseCase{"LeadingSpace", " 12", 12},
        ParseCase{"ManyLeadingSpaces", "    12", 12}, ParseCase{"PlusSign", "+12", 12},
        ParseCase{"Dollar", "$C", 12}, ParseCase{"LowerX", "x0C", 12},
        ParseCase{"UpperX", "X0c", 12}, ParseCase{"ZeroX", "0x0C", 12},
        ParseCase{"ZeroUpperX", "0X0C", 12}, ParseCase{"Negative", "-5", -5},
        ParseCase{"NegativeHex", "-$10", -16}, ParseCase{"SpaceThenSign", "  -7", -7},
        ParseCase{"Zero", "0", 0}, ParseCase{"LeadingZeros", "0007", 7}, ParseCase{"Empty", "", 9},
        ParseCase{"BlanksOnly", "   ", 9}, ParseCase{"Letters", "abc", 9},
        ParseCase{"TrailingSpace", "12 ", 9}, ParseCase{"LeadingTab", "\t12", 9},
        ParseCase{"SignOnly", "-", 9}, ParseCase{"PrefixOnly", "0x", 9},
        ParseCase{"DollarOnly", "$", 9}, ParseCase{"TwoSigns", "+-1", 9},
        ParseCase{"SpaceAfterSign", "- 1", 9}, ParseCase{"Fraction", "1.5", 9},
        ParseCase{"BadHexDigit", "$G", 9}, ParseCase{"FullWidthDigits", "１２", 9},
        ParseCase{"MaxInt", "2147483647", 2147483647},
        ParseCase{"MinInt", "-2147483648", INT32_MIN}, ParseCase{"JustAboveMax", "2147483648", 9},
        ParseCase{"JustBelowMin", "-2147483649", 9},
        ParseCase{"HugeDecimal", "99999999999999999999999", 9},
        ParseCase{"HexAllOnes", "$FFFFFFFF", -1}, ParseCase{"HexSignBit", "0x80000000", INT32_MIN},
        ParseCase{"HexNegatedSignBit", "-0x80000000", INT32_MIN},
        ParseCase{"HexNegatedMinusOne", "-$FFFFFFFF", 1},
        ParseCase{"HexLeadingZerosFree", "0x000000000012", 18},
        ParseCase{"HexNineDigits", "$100000000", 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseIntTest, TellsNoNumberApartFromItsValue) {
  EXPECT_EQ(ParseInt("9"), 9);
  EXPECT_FALSE(ParseInt("nine").has_value());
  EXPECT_EQ(ParseIntOrDefault("x", -1), -1);
}

}  // namespace
}  // namespace t2j
