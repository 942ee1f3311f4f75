// Colours: the 32-bit ColorValue of the program and its resolution to red, green and blue.
#pragma once

#include <cstdint>

namespace t2j {

// 0x00BBGGRR for an RGB colour (red in the low byte); 0xFF000000 + index for a system colour;
// the markers clDefault (0x20000000) and clNone (0x1FFFFFFF) pass through unchanged.
using ColorValue = uint32_t;

constexpr ColorValue kSystemColorFlag = 0x80000000u;
constexpr ColorValue kClDefault = 0x20000000u;
constexpr ColorValue kClNone = 0x1FFFFFFFu;

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr ColorValue MakeColorValue(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<ColorValue>(r) | (static_cast<ColorValue>(g) << 8) |
         (static_cast<ColorValue>(b) << 16);
}

constexpr Rgb RgbOf(ColorValue rgb) {
  return Rgb{static_cast<uint8_t>(rgb & 0xFF), static_cast<uint8_t>((rgb >> 8) & 0xFF),
             static_cast<uint8_t>((rgb >> 16) & 0xFF)};
}

// Number of system colour indices in the table (COLOR_SCROLLBAR 0 to COLOR_MENUBAR 30).
constexpr int kSystemColorCount = 31;

// The platform's current colour (0x00BBGGRR) for a system colour index. Headless the table holds
// the classic Windows defaults; the window program replaces entries from its palette. An index
// outside the table gives black.
ColorValue GetSysColor(int index);

// Replaces the colour of one system colour index; indices outside the table are ignored.
void SetSysColor(int index, ColorValue rgb);

// Restores the classic defaults for every index.
void ResetSysColors();

// The value as it is drawn: a value with the top bit set is the system colour whose index is its
// low byte; any other value is drawn as its low 24 bits.
ColorValue ResolveColor(ColorValue value);

inline Rgb ResolveRgb(ColorValue value) { return RgbOf(ResolveColor(value)); }

}  // namespace t2j
