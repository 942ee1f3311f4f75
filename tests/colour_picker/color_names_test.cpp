#include "widgets/colour_picker/model/color_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace t2j {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

void ExpectNamesUnique(ColorNameTable table) {
  std::set<std::string> seen;
  for (const ColorName& pair : table) {
    EXPECT_TRUE(seen.insert(Lower(pair.name)).second) << pair.name;
  }
}

TEST(ColorTables, NamesAppearOnce) {
  ExpectNamesUnique(ClColorNames);
  ExpectNamesUnique(Html4ColorNames);
  ExpectNamesUnique(X11ColorNames);
  ExpectNamesUnique(X11HueColorNames);
}

TEST(ColorTables, ClColorNamesHasNoSharedValue) {
  std::set<ColorValue> values;
  for (const ColorName& pair : ClColorNames) EXPECT_TRUE(values.insert(pair.value).second);
}

TEST(ColorTables, X11SharesValuesOnlyForAquaCyanAndFuchsiaMagenta) {
  std::set<ColorValue> values;
  for (const ColorName& pair : X11ColorNames) values.insert(pair.value);
  EXPECT_EQ(values.size(), X11ColorNames.size() - 2);
  EXPECT_EQ(FindColorByName(X11ColorNames, "Cyan"), FindColorByName(X11ColorNames, "Aqua"));
  EXPECT_EQ(FindColorByName(X11ColorNames, "Magenta"), FindColorByName(X11ColorNames, "Fuchsia"));
}

TEST(ColorTables, X11IsAlphabeticalFromAliceBlueToYellowGreen) {
  EXPECT_EQ(X11ColorNames.front().name, "AliceBlue");
  EXPECT_EQ(X11ColorNames.back().name, "YellowGreen");
  EXPECT_TRUE(std::is_sorted(
      X11ColorNames.begin(), X11ColorNames.end(),
      [](const ColorName& a, const ColorName& b) { return Lower(a.name) < Lower(b.name); }));
}

TEST(ColorTables, HueOrderHoldsTheSamePairsStartingWithPinks) {
  ASSERT_EQ(X11HueColorNames.size(), X11ColorNames.size());
  EXPECT_EQ(X11HueColorNames[0].name, "LightPink");
  EXPECT_EQ(X11HueColorNames[1].name, "Pink");
  EXPECT_EQ(X11HueColorNames[2].name, "Crimson");
  for (const ColorName& pair : X11HueColorNames) {
    EXPECT_EQ(FindColorByName(X11ColorNames, pair.name), pair.value) << pair.name;
  }
}

// The basic colours of the program's list, the HTML keywords and the X11 names are typed
// separately; they must agree wherever the names meet.
TEST(ColorTables, BasicColoursAgreeAcrossTables) {
  for (const ColorName& html : Html4ColorNames) {
    EXPECT_EQ(FindColorByName(X11ColorNames, html.name), html.value) << html.name;
    EXPECT_EQ(FindColorByName("cl" + std::string(html.name)), html.value) << html.name;
  }
}

struct KnownColour {
  const char* test_name;
  ColorNameTable table;
  const char* name;
  ColorValue value;
};

class KnownColourTest : public testing::TestWithParam<KnownColour> {};

TEST_P(KnownColourTest, HasItsStandardValue) {
  EXPECT_EQ(FindColorByName(GetParam().table, GetParam().name), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, KnownColourTest,
    testing::Values(KnownColour{"ClGreen", ClColorNames, "clGreen", 0x00008000},
                    KnownColour{"ClSkyBlue", ClColorNames, "clSkyBlue", 0x00F0CAA6},
                    KnownColour{"ClWindow", ClColorNames, "clWindow", 0xFF000005},
                    KnownColour{"ClNone", ClColorNames, "clNone", 0x1FFFFFFF},
                    KnownColour{"ClDefault", ClColorNames, "clDefault", 0x20000000},
                    KnownColour{"Html4Navy", Html4ColorNames, "Navy", 0x00800000},
                    KnownColour{"X11Orange", X11ColorNames, "Orange", 0x0000A5FF},
                    KnownColour{"X11Crimson", X11ColorNames, "Crimson", 0x003C14DC},
                    KnownColour{"X11SteelBlue", X11ColorNames, "SteelBlue", 0x00B48246},
                    KnownColour{"X11DarkSeaGreen", X11ColorNames, "DarkSeaGreen", 0x008FBC8F},
                    KnownColour{"X11Gray", X11ColorNames, "Gray", 0x00808080}),
    [](const auto& info) { return std::string(info.param.test_name); });

TEST(ColorLookup, IgnoresLetterCaseOfClNames) {
  EXPECT_EQ(FindColorByName("clRed"), 0x000000FFu);
  EXPECT_EQ(FindColorByName("CLRED"), 0x000000FFu);
  EXPECT_EQ(FindColorByName("cl3ddkshadow"), 0xFF000015u);
  EXPECT_EQ(FindColorByName("Red"), std::nullopt);
  EXPECT_EQ(FindColorByName("clRed "), std::nullopt);
  EXPECT_EQ(FindColorByName(""), std::nullopt);
  EXPECT_EQ(ListColorNames().size(), 52u);
  EXPECT_EQ(ListColorNames().front().name, "clBlack");
}

struct FormatCase {
  const char* test_name;
  ColorValue value;
  TcxColorValueFormat format;
  const char* text;
};

class FormatColorValueTest : public testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override { ResetSysColors(); }
  void TearDown() override { ResetSysColors(); }
};

TEST_P(FormatColorValueTest, WritesTheValue) {
  EXPECT_EQ(FormatColorValue(GetParam().value, GetParam().format), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatColorValueTest,
    testing::Values(FormatCase{"RgbRedFirst", 0x00123456, cxcvRGB, "86.52.18"},
                    FormatCase{"RgbNoLeadingZeros", 0x00000A00, cxcvRGB, "0.10.0"},
                    FormatCase{"RgbResolvesSystemColour", 0xFF00000D, cxcvRGB, "0.120.215"},
                    FormatCase{"RgbMarkerUnchanged", 0x1FFFFFFF, cxcvRGB, "255.255.255"},
                    FormatCase{"HexRedFirst", 0x00123456, cxcvHexadecimal, "563412"},
                    FormatCase{"HexUppercasePadded", 0x000A0B0C, cxcvHexadecimal, "0C0B0A"},
                    FormatCase{"HexResolvesSystemColour", 0xFF00000D, cxcvHexadecimal, "0078D7"},
                    FormatCase{"IntegerSystemColourNegative", 0xFF000005, cxcvInteger, "-16777211"},
                    FormatCase{"IntegerLowest", 0x80000000, cxcvInteger, "-2147483648"},
                    FormatCase{"IntegerPositive", 0x00123456, cxcvInteger, "1193046"}),
    [](const auto& info) { return std::string(info.param.test_name); });

TEST_F(FormatColorValueTest, FollowsTheCurrentSystemColours) {
  SetSysColor(5, MakeColorValue(1, 2, 3));
  EXPECT_EQ(FormatColorValue(0xFF000005, cxcvRGB), "1.2.3");
}

struct NamingCase {
  const char* test_name;
  ColorValue value;
  const char* description;
  TcxColorNamingConvention convention;
  const char* text;
};

class ColorTextTest : public testing::TestWithParam<NamingCase> {};

TEST_P(ColorTextTest, NamesTheColour) {
  const NamingCase& c = GetParam();
  EXPECT_EQ(ColorText(c.value, c.description, c.convention, cxcvRGB), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Conventions, ColorTextTest,
    testing::Values(NamingCase{"TavikName", 0x00008000, "ignored", cxncTavik, "clGreen"},
                    NamingCase{"TavikSystemColour", 0xFF00000F, "", cxncTavik, "clBtnFace"},
                    NamingCase{"TavikUnnamedIsRgb", 0x00123456, "", cxncTavik, "86.52.18"},
                    NamingCase{"Html4Name", 0x00008000, "", cxncHTML4, "Green"},
                    NamingCase{"Html4UnnamedSystemColour", 0xFF00000F, "", cxncHTML4,
                               "240.240.240"},
                    NamingCase{"X11AquaNeverCyan", 0x00FFFF00, "", cxncX11, "Aqua"},
                    NamingCase{"X11FuchsiaNeverMagenta", 0x00FF00FF, "", cxncX11, "Fuchsia"},
                    NamingCase{"NoneUsesDescription", 0x00008000, "mine", cxncNone, "mine"},
                    NamingCase{"NoneEmptyDescription", 0x00008000, "", cxncNone, ""}),
    [](const auto& info) { return std::string(info.param.test_name); });

TEST(ColorComboEnums, KeepDeclarationOrderAndNames) {
  EXPECT_EQ(cxplX11Ordered, 4);
  EXPECT_EQ(EnumName(cxplX11Ordered), "cxplX11Ordered");
  EXPECT_EQ(cxncX11, 3);
  EXPECT_EQ(EnumName(cxcvInteger), "cxcvInteger");
  EXPECT_EQ(cxdcCustom, 4);
  EXPECT_EQ(EnumName(cxccsComboEdit), "cxccsComboEdit");
  EXPECT_EQ(EnumName(cbaRight), "cbaRight");
  EXPECT_EQ(lsFixedList, 2);
  EXPECT_EQ(EnumName(lsFixedList), "lsFixedList");
  EXPECT_EQ(EnumName(static_cast<TcxColorPrepareList>(9)), "");
}

}  // namespace
}  // namespace t2j
