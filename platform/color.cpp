#include "platform/color.h"

#include <array>

namespace t2j {
namespace {

// The classic Windows colour scheme ("Windows Standard"), COLOR_SCROLLBAR to COLOR_MENUBAR.
constexpr std::array<ColorValue, kSystemColorCount> kClassicColors = {
    MakeColorValue(200, 200, 200),  // 0 scroll bar
    MakeColorValue(0, 0, 0),        // 1 background (desktop)
    MakeColorValue(153, 180, 209),  // 2 active caption
    MakeColorValue(191, 205, 219),  // 3 inactive caption
    MakeColorValue(240, 240, 240),  // 4 menu
    MakeColorValue(255, 255, 255),  // 5 window
    MakeColorValue(100, 100, 100),  // 6 window frame
    MakeColorValue(0, 0, 0),        // 7 menu text
    MakeColorValue(0, 0, 0),        // 8 window text
    MakeColorValue(0, 0, 0),        // 9 caption text
    MakeColorValue(180, 180, 180),  // 10 active border
    MakeColorValue(244, 247, 252),  // 11 inactive border
    MakeColorValue(171, 171, 171),  // 12 application workspace
    MakeColorValue(0, 120, 215),    // 13 highlight
    MakeColorValue(255, 255, 255),  // 14 highlight text
    MakeColorValue(240, 240, 240),  // 15 button face
    MakeColorValue(160, 160, 160),  // 16 button shadow
    MakeColorValue(109, 109, 109),  // 17 grey text
    MakeColorValue(0, 0, 0),        // 18 button text
    MakeColorValue(0, 0, 0),        // 19 inactive caption text
    MakeColorValue(255, 255, 255),  // 20 button highlight
    MakeColorValue(105, 105, 105),  // 21 3D dark shadow
    MakeColorValue(227, 227, 227),  // 22 3D light
    MakeColorValue(0, 0, 0),        // 23 info text
    MakeColorValue(255, 255, 225),  // 24 info background
    MakeColorValue(0, 0, 0),        // 25 (unused)
    MakeColorValue(0, 102, 204),    // 26 hot light
    MakeColorValue(185, 209, 234),  // 27 gradient active caption
    MakeColorValue(215, 228, 242),  // 28 gradient inactive caption
    MakeColorValue(0, 120, 215),    // 29 menu highlight
    MakeColorValue(240, 240, 240),  // 30 menu bar
};

std::array<ColorValue, kSystemColorCount>& Table() {
  static std::array<ColorValue, kSystemColorCount> table = kClassicColors;
  return table;
}

}  // namespace

ColorValue GetSysColor(int index) {
  if (index < 0 || index >= kSystemColorCount) return 0;
  return Table()[index];
}

void SetSysColor(int index, ColorValue rgb) {
  if (index < 0 || index >= kSystemColorCount) return;
  Table()[index] = rgb & 0x00FFFFFFu;
}

void ResetSysColors() { Table() = kClassicColors; }

ColorValue ResolveColor(ColorValue value) {
  if (value & kSystemColorFlag) return GetSysColor(static_cast<int>(value & 0xFF));
  return value & 0x00FFFFFFu;
}

}  // namespace t2j
