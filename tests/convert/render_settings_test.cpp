#include "convert/render_settings.h"
#include "platform/failure.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/gb18030.h"

namespace t2j {
namespace {

TEST(ReadRenderSettingsTest, ParsesFieldsWithTheirFallbacks) {
  const RenderSettings settings = ReadRenderSettings("宋体", "12", 0x8000, "4", "10");
  EXPECT_EQ(settings.FontName, "宋体");
  EXPECT_EQ(settings.FontSize, 12);
  EXPECT_EQ(settings.TextColor, 0x8000u);
  EXPECT_EQ(settings.LineSpacing, 4);
  EXPECT_EQ(settings.Margin, 10);

  const RenderSettings bad = ReadRenderSettings("", "abc", 0xFF000005, "x", "12 ");
  EXPECT_EQ(bad.FontSize, kFontSizeFallback);
  EXPECT_EQ(bad.LineSpacing, kLineSpacingFallback);
  EXPECT_EQ(bad.Margin, kMarginFallback);
  EXPECT_EQ(ReadRenderSettings("", "", 0, "", "-5").Margin, -5);
}

TEST(MakeLogFontTest, HeightIsTheNegatedPixelSizeOfThePoints) {
  RenderSettings settings;
  settings.FontName = "宋体";
  const struct {
    int32_t points;
    int32_t height;
  } table[] = {{9, -12},
               {10, -13},
               {11, -15},
               {12, -16},
               {14, -19},
               {0, 0},
               {-12, 16},
               {-1, 1},
               {1, -1},  // MulDiv's true -1, which is no overflow
               {1610612735, -2147483647}};
  for (const auto& row : table) {
    settings.FontSize = row.points;
    EXPECT_EQ(MakeLogFont(settings, 96).lfHeight, row.height) << row.points;
  }
  // Sizes whose pixels do not fit 32 bits, or whose height cannot be negated, are too large, as
  // their neighbours are for the font engine: never a one-pixel font.
  for (const int32_t points : {1610612736, 2147483647, -2147483647 - 1, -1610612736}) {
    settings.FontSize = points;
    try {
      MakeLogFont(settings, 96);
      ADD_FAILURE() << points;
    } catch (const EOutOfResources& failure) {
      EXPECT_EQ(std::string(failure.what()).rfind("字号太大：", 0), 0u) << failure.what();
    }
  }
  settings.FontSize = 12;
  EXPECT_EQ(MakeLogFont(settings, 120).lfHeight, -20);
  const LogFont font = MakeLogFont(settings, 96);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfCharSet, 1);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfItalic, 0);
}

TEST(FaceNameForTest, DefaultAndEmptyGiveMsSansSerif) {
  for (const char* name : {"", "Default", "DEFAULT", "default", "dEfAuLt"}) {
    EXPECT_EQ(FaceNameFor(name), "MS Sans Serif") << name;
  }
  EXPECT_EQ(FaceNameFor("Defaults"), "Defaults");
  EXPECT_EQ(FaceNameFor("宋体"), "宋体");
}

TEST(FaceNameForTest, UnknownLongNamesAreCutTo31Bytes) {
  const std::string forty(40, 'q');
  EXPECT_EQ(FaceNameFor(forty), std::string(31, 'q'));
  // Sixteen hanzi are 32 GB18030 bytes: the cut keeps fifteen, never half a character.
  std::string hanzi;
  for (int i = 0; i < 16; ++i) hanzi += "字";
  const std::string cut = FaceNameFor(hanzi);
  EXPECT_EQ(Gb18030Length(cut), 30u);
  EXPECT_TRUE(IsValidUtf8(cut));
}

}  // namespace
}  // namespace t2j
