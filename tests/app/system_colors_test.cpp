#include <gtest/gtest.h>

#include <QPalette>

#include "app/system_colors.h"
#include "platform/color.h"

namespace t2j {
namespace {

TEST(SystemColors, ComeFromThePaletteRolesThatMatch) {
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
  palette.setColor(QPalette::Active, QPalette::ButtonText, QColor(4, 5, 6));
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(200, 100, 50));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(7, 8, 9));
  palette.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(250, 240, 230));
  const ColorValue scrollbar_before = GetSysColor(0);
  SetSystemColorsFromPalette(palette);
  EXPECT_EQ(GetSysColor(15), MakeColorValue(1, 2, 3));
  EXPECT_EQ(GetSysColor(18), MakeColorValue(4, 5, 6));
  EXPECT_EQ(GetSysColor(13), MakeColorValue(200, 100, 50));
  EXPECT_EQ(GetSysColor(17), MakeColorValue(7, 8, 9));
  EXPECT_EQ(GetSysColor(24), MakeColorValue(250, 240, 230));
  EXPECT_EQ(ResolveColor(kSystemColorFlag | 15), MakeColorValue(1, 2, 3));
  // A colour without a matching role keeps its classic value.
  EXPECT_EQ(GetSysColor(0), scrollbar_before);
  ResetSysColors();
}

}  // namespace
}  // namespace t2j
