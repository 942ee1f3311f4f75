#include "widgets/colour_picker/model/color_names.h"

#include <cstdint>
#include <cstdio>

namespace t2j {
namespace {

// The tables below are written as the usual 0xRRGGBB of the colour standards.
constexpr ColorValue FromRgb(uint32_t rrggbb) {
  return MakeColorValue(static_cast<uint8_t>(rrggbb >> 16), static_cast<uint8_t>(rrggbb >> 8),
                        static_cast<uint8_t>(rrggbb));
}

constexpr ColorValue SystemColor(uint8_t index) { return 0xFF000000u | index; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

constexpr std::array<ColorName, 52> ClColorNames = {{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", SystemColor(10)},
    {"clActiveCaption", SystemColor(2)},
    {"clAppWorkSpace", SystemColor(12)},
    {"clBackground", SystemColor(1)},
    {"clBtnFace", SystemColor(15)},
    {"clBtnHighlight", SystemColor(20)},
    {"clBtnShadow", SystemColor(16)},
    {"clBtnText", SystemColor(18)},
    {"clCaptionText", SystemColor(9)},
    {"clDefault", kClDefault},
    {"clGradientActiveCaption", SystemColor(27)},
    {"clGradientInactiveCaption", SystemColor(28)},
    {"clGrayText", SystemColor(17)},
    {"clHighlight", SystemColor(13)},
    {"clHighlightText", SystemColor(14)},
    {"clHotLight", SystemColor(26)},
    {"clInactiveBorder", SystemColor(11)},
    {"clInactiveCaption", SystemColor(3)},
    {"clInactiveCaptionText", SystemColor(19)},
    {"clInfoBk", SystemColor(24)},
    {"clInfoText", SystemColor(23)},
    {"clMenu", SystemColor(4)},
    {"clMenuBar", SystemColor(30)},
    {"clMenuHighlight", SystemColor(29)},
    {"clMenuText", SystemColor(7)},
    {"clNone", kClNone},
    {"clScrollBar", SystemColor(0)},
    {"cl3DDkShadow", SystemColor(21)},
    {"cl3DLight", SystemColor(22)},
    {"clWindow", SystemColor(5)},
    {"clWindowFrame", SystemColor(6)},
    {"clWindowText", SystemColor(8)},
}};

constexpr std::array<ColorName, 16> Html4ColorNames = {{
    {"Black", FromRgb(0x000000)},
    {"Silver", FromRgb(0xC0C0C0)},
    {"Gray", FromRgb(0x808080)},
    {"White", FromRgb(0xFFFFFF)},
    {"Maroon", FromRgb(0x800000)},
    {"Red", FromRgb(0xFF0000)},
    {"Purple", FromRgb(0x800080)},
    {"Fuchsia", FromRgb(0xFF00FF)},
    {"Green", FromRgb(0x008000)},
    {"Lime", FromRgb(0x00FF00)},
    {"Olive", FromRgb(0x808000)},
    {"Yellow", FromRgb(0xFFFF00)},
    {"Navy", FromRgb(0x000080)},
    {"Blue", FromRgb(0x0000FF)},
    {"Teal", FromRgb(0x008080)},
    {"Aqua", FromRgb(0x00FFFF)},
}};

constexpr std::array<ColorName, 140> X11ColorNames = {{
    {"AliceBlue", FromRgb(0xF0F8FF)},
    {"AntiqueWhite", FromRgb(0xFAEBD7)},
    {"Aqua", FromRgb(0x00FFFF)},
    {"Aquamarine", FromRgb(0x7FFFD4)},
    {"Azure", FromRgb(0xF0FFFF)},
    {"Beige", FromRgb(0xF5F5DC)},
    {"Bisque", FromRgb(0xFFE4C4)},
    {"Black", FromRgb(0x000000)},
    {"BlanchedAlmond", FromRgb(0xFFEBCD)},
    {"Blue", FromRgb(0x0000FF)},
    {"BlueViolet", FromRgb(0x8A2BE2)},
    {"Brown", FromRgb(0xA52A2A)},
    {"BurlyWood", FromRgb(0xDEB887)},
    {"CadetBlue", FromRgb(0x5F9EA0)},
    {"Chartreuse", FromRgb(0x7FFF00)},
    {"Chocolate", FromRgb(0xD2691E)},
    {"Coral", FromRgb(0xFF7F50)},
    {"CornflowerBlue", FromRgb(0x6495ED)},
    {"Cornsilk", FromRgb(0xFFF8DC)},
    {"Crimson", FromRgb(0xDC143C)},
    {"Cyan", FromRgb(0x00FFFF)},
    {"DarkBlue", FromRgb(0x00008B)},
    {"DarkCyan", FromRgb(0x008B8B)},
    {"DarkGoldenrod", FromRgb(0xB8860B)},
    {"DarkGray", FromRgb(0xA9A9A9)},
    {"DarkGreen", FromRgb(0x006400)},
    {"DarkKhaki", FromRgb(0xBDB76B)},
    {"DarkMagenta", FromRgb(0x8B008B)},
    {"DarkOliveGreen", FromRgb(0x556B2F)},
    {"DarkOrange", FromRgb(0xFF8C00)},
    {"DarkOrchid", FromRgb(0x9932CC)},
    {"DarkRed", FromRgb(0x8B0000)},
    {"DarkSalmon", FromRgb(0xE9967A)},
    {"DarkSeaGreen", FromRgb(0x8FBC8F)},
    {"DarkSlateBlue", FromRgb(0x483D8B)},
    {"DarkSlateGray", FromRgb(0x2F4F4F)},
    {"DarkTurquoise", FromRgb(0x00CED1)},
    {"DarkViolet", FromRgb(0x9400D3)},
    {"DeepPink", FromRgb(0xFF1493)},
    {"DeepSkyBlue", FromRgb(0x00BFFF)},
    {"DimGray", FromRgb(0x696969)},
    {"DodgerBlue", FromRgb(0x1E90FF)},
    {"FireBrick", FromRgb(0xB22222)},
    {"FloralWhite", FromRgb(0xFFFAF0)},
    {"ForestGreen", FromRgb(0x228B22)},
    {"Fuchsia", FromRgb(0xFF00FF)},
    {"Gainsboro", FromRgb(0xDCDCDC)},
    {"GhostWhite", FromRgb(0xF8F8FF)},
    {"Gold", FromRgb(0xFFD700)},
    {"Goldenrod", FromRgb(0xDAA520)},
    {"Gray", FromRgb(0x808080)},
    {"Green", FromRgb(0x008000)},
    {"GreenYellow", FromRgb(0xADFF2F)},
    {"Honeydew", FromRgb(0xF0FFF0)},
    {"HotPink", FromRgb(0xFF69B4)},
    {"IndianRed", FromRgb(0xCD5C5C)},
    {"Indigo", FromRgb(0x4B0082)},
    {"Ivory", FromRgb(0xFFFFF0)},
    {"Khaki", FromRgb(0xF0E68C)},
    {"Lavender", FromRgb(0xE6E6FA)},
    {"LavenderBlush", FromRgb(0xFFF0F5)},
    {"LawnGreen", FromRgb(0x7CFC00)},
    {"LemonChiffon", FromRgb(0xFFFACD)},
    {"LightBlue", FromRgb(0xADD8E6)},
    {"LightCoral", FromRgb(0xF08080)},
    {"LightCyan", FromRgb(0xE0FFFF)},
    {"LightGoldenrodYellow", FromRgb(0xFAFAD2)},
    {"LightGray", FromRgb(0xD3D3D3)},
    {"LightGreen", FromRgb(0x90EE90)},
    {"LightPink", FromRgb(0xFFB6C1)},
    {"LightSalmon", FromRgb(0xFFA07A)},
    {"LightSeaGreen", FromRgb(0x20B2AA)},
    {"LightSkyBlue", FromRgb(0x87CEFA)},
    {"LightSlateGray", FromRgb(0x778899)},
    {"LightSteelBlue", FromRgb(0xB0C4DE)},
    {"LightYellow", FromRgb(0xFFFFE0)},
    {"Lime", FromRgb(0x00FF00)},
    {"LimeGreen", FromRgb(0x32CD32)},
    {"Linen", FromRgb(0xFAF0E6)},
    {"Magenta", FromRgb(0xFF00FF)},
    {"Maroon", FromRgb(0x800000)},
    {"MediumAquamarine", FromRgb(0x66CDAA)},
    {"MediumBlue", FromRgb(0x0000CD)},
    {"MediumOrchid", FromRgb(0xBA55D3)},
    {"MediumPurple", FromRgb(0x9370DB)},
    {"MediumSeaGreen", FromRgb(0x3CB371)},
    {"MediumSlateBlue", FromRgb(0x7B68EE)},
    {"MediumSpringGreen", FromRgb(0x00FA9A)},
    {"MediumTurquoise", FromRgb(0x48D1CC)},
    {"MediumVioletRed", FromRgb(0xC71585)},
    {"MidnightBlue", FromRgb(0x191970)},
    {"MintCream", FromRgb(0xF5FFFA)},
    {"MistyRose", FromRgb(0xFFE4E1)},
    {"Moccasin", FromRgb(0xFFE4B5)},
    {"NavajoWhite", FromRgb(0xFFDEAD)},
    {"Navy", FromRgb(0x000080)},
    {"OldLace", FromRgb(0xFDF5E6)},
    {"Olive", FromRgb(0x808000)},
    {"OliveDrab", FromRgb(0x6B8E23)},
    {"Orange", FromRgb(0xFFA500)},
    {"OrangeRed", FromRgb(0xFF4500)},
    {"Orchid", FromRgb(0xDA70D6)},
    {"PaleGoldenrod", FromRgb(0xEEE8AA)},
    {"PaleGreen", FromRgb(0x98FB98)},
    {"PaleTurquoise", FromRgb(0xAFEEEE)},
    {"PaleVioletRed", FromRgb(0xDB7093)},
    {"PapayaWhip", FromRgb(0xFFEFD5)},
    {"PeachPuff", FromRgb(0xFFDAB9)},
    {"Peru", FromRgb(0xCD853F)},
    {"Pink", FromRgb(0xFFC0CB)},
    {"Plum", FromRgb(0xDDA0DD)},
    {"PowderBlue", FromRgb(0xB0E0E6)},
    {"Purple", FromRgb(0x800080)},
    {"Red", FromRgb(0xFF0000)},
    {"RosyBrown", FromRgb(0xBC8F8F)},
    {"RoyalBlue", FromRgb(0x4169E1)},
    {"SaddleBrown", FromRgb(0x8B4513)},
    {"Salmon", FromRgb(0xFA8072)},
    {"SandyBrown", FromRgb(0xF4A460)},
    {"SeaGreen", FromRgb(0x2E8B57)},
    {"SeaShell", FromRgb(0xFFF5EE)},
    {"Sienna", FromRgb(0xA0522D)},
    {"Silver", FromRgb(0xC0C0C0)},
    {"SkyBlue", FromRgb(0x87CEEB)},
    {"SlateBlue", FromRgb(0x6A5ACD)},
    {"SlateGray", FromRgb(0x708090)},
    {"Snow", FromRgb(0xFFFAFA)},
    {"SpringGreen", FromRgb(0x00FF7F)},
    {"SteelBlue", FromRgb(0x4682B4)},
    {"Tan", FromRgb(0xD2B48C)},
    {"Teal", FromRgb(0x008080)},
    {"Thistle", FromRgb(0xD8BFD8)},
    {"Tomato", FromRgb(0xFF6347)},
    {"Turquoise", FromRgb(0x40E0D0)},
    {"Violet", FromRgb(0xEE82EE)},
    {"Wheat", FromRgb(0xF5DEB3)},
    {"White", FromRgb(0xFFFFFF)},
    {"WhiteSmoke", FromRgb(0xF5F5F5)},
    {"Yellow", FromRgb(0xFFFF00)},
    {"YellowGreen", FromRgb(0x9ACD32)},
}};

constexpr std::array<ColorName, 140> X11HueColorNames = {{
    // pinks
    {"LightPink", FromRgb(0xFFB6C1)},
    {"Pink", FromRgb(0xFFC0CB)},
    {"Crimson", FromRgb(0xDC143C)},
    {"PaleVioletRed", FromRgb(0xDB7093)},
    {"HotPink", FromRgb(0xFF69B4)},
    {"DeepPink", FromRgb(0xFF1493)},
    {"MediumVioletRed", FromRgb(0xC71585)},
    // reds
    {"Salmon", FromRgb(0xFA8072)},
    {"DarkSalmon", FromRgb(0xE9967A)},
    {"LightSalmon", FromRgb(0xFFA07A)},
    {"LightCoral", FromRgb(0xF08080)},
    {"IndianRed", FromRgb(0xCD5C5C)},
    {"Red", FromRgb(0xFF0000)},
    {"FireBrick", FromRgb(0xB22222)},
    {"DarkRed", FromRgb(0x8B0000)},
    {"Maroon", FromRgb(0x800000)},
    // oranges
    {"Coral", FromRgb(0xFF7F50)},
    {"Tomato", FromRgb(0xFF6347)},
    {"OrangeRed", FromRgb(0xFF4500)},
    {"DarkOrange", FromRgb(0xFF8C00)},
    {"Orange", FromRgb(0xFFA500)},
    // yellows
    {"Gold", FromRgb(0xFFD700)},
    {"Yellow", FromRgb(0xFFFF00)},
    {"LightYellow", FromRgb(0xFFFFE0)},
    {"LemonChiffon", FromRgb(0xFFFACD)},
    {"LightGoldenrodYellow", FromRgb(0xFAFAD2)},
    {"PapayaWhip", FromRgb(0xFFEFD5)},
    {"Moccasin", FromRgb(0xFFE4B5)},
    {"PeachPuff", FromRgb(0xFFDAB9)},
    {"PaleGoldenrod", FromRgb(0xEEE8AA)},
    {"Khaki", FromRgb(0xF0E68C)},
    {"DarkKhaki", FromRgb(0xBDB76B)},
    // browns
    {"Cornsilk", FromRgb(0xFFF8DC)},
    {"BlanchedAlmond", FromRgb(0xFFEBCD)},
    {"Bisque", FromRgb(0xFFE4C4)},
    {"NavajoWhite", FromRgb(0xFFDEAD)},
    {"Wheat", FromRgb(0xF5DEB3)},
    {"BurlyWood", FromRgb(0xDEB887)},
    {"Tan", FromRgb(0xD2B48C)},
    {"RosyBrown", FromRgb(0xBC8F8F)},
    {"SandyBrown", FromRgb(0xF4A460)},
    {"Goldenrod", FromRgb(0xDAA520)},
    {"DarkGoldenrod", FromRgb(0xB8860B)},
    {"Peru", FromRgb(0xCD853F)},
    {"Chocolate", FromRgb(0xD2691E)},
    {"SaddleBrown", FromRgb(0x8B4513)},
    {"Sienna", FromRgb(0xA0522D)},
    {"Brown", FromRgb(0xA52A2A)},
    // greens
    {"Olive", FromRgb(0x808000)},
    {"DarkOliveGreen", FromRgb(0x556B2F)},
    {"OliveDrab", FromRgb(0x6B8E23)},
    {"YellowGreen", FromRgb(0x9ACD32)},
    {"GreenYellow", FromRgb(0xADFF2F)},
    {"Chartreuse", FromRgb(0x7FFF00)},
    {"LawnGreen", FromRgb(0x7CFC00)},
    {"Lime", FromRgb(0x00FF00)},
    {"LimeGreen", FromRgb(0x32CD32)},
    {"PaleGreen", FromRgb(0x98FB98)},
    {"LightGreen", FromRgb(0x90EE90)},
    {"DarkSeaGreen", FromRgb(0x8FBC8F)},
    {"MediumSpringGreen", FromRgb(0x00FA9A)},
    {"SpringGreen", FromRgb(0x00FF7F)},
    {"MediumSeaGreen", FromRgb(0x3CB371)},
    {"SeaGreen", FromRgb(0x2E8B57)},
    {"ForestGreen", FromRgb(0x228B22)},
    {"Green", FromRgb(0x008000)},
    {"DarkGreen", FromRgb(0x006400)},
    {"MediumAquamarine", FromRgb(0x66CDAA)},
    // cyans
    {"LightSeaGreen", FromRgb(0x20B2AA)},
    {"DarkCyan", FromRgb(0x008B8B)},
    {"Teal", FromRgb(0x008080)},
    {"Aqua", FromRgb(0x00FFFF)},
    {"Cyan", FromRgb(0x00FFFF)},
    {"LightCyan", FromRgb(0xE0FFFF)},
    {"PaleTurquoise", FromRgb(0xAFEEEE)},
    {"Aquamarine", FromRgb(0x7FFFD4)},
    {"Turquoise", FromRgb(0x40E0D0)},
    {"MediumTurquoise", FromRgb(0x48D1CC)},
    {"DarkTurquoise", FromRgb(0x00CED1)},
    {"CadetBlue", FromRgb(0x5F9EA0)},
    // blues
    {"PowderBlue", FromRgb(0xB0E0E6)},
    {"LightBlue", FromRgb(0xADD8E6)},
    {"LightSkyBlue", FromRgb(0x87CEFA)},
    {"SkyBlue", FromRgb(0x87CEEB)},
    {"DeepSkyBlue", FromRgb(0x00BFFF)},
    {"LightSteelBlue", FromRgb(0xB0C4DE)},
    {"SteelBlue", FromRgb(0x4682B4)},
    {"CornflowerBlue", FromRgb(0x6495ED)},
    {"DodgerBlue", FromRgb(0x1E90FF)},
    {"RoyalBlue", FromRgb(0x4169E1)},
    {"Blue", FromRgb(0x0000FF)},
    {"MediumBlue", FromRgb(0x0000CD)},
    {"DarkBlue", FromRgb(0x00008B)},
    {"Navy", FromRgb(0x000080)},
    {"MidnightBlue", FromRgb(0x191970)},
    // purples and violets
    {"Lavender", FromRgb(0xE6E6FA)},
    {"Thistle", FromRgb(0xD8BFD8)},
    {"Plum", FromRgb(0xDDA0DD)},
    {"Violet", FromRgb(0xEE82EE)},
    {"Orchid", FromRgb(0xDA70D6)},
    {"Fuchsia", FromRgb(0xFF00FF)},
    {"Magenta", FromRgb(0xFF00FF)},
    {"MediumOrchid", FromRgb(0xBA55D3)},
    {"MediumPurple", FromRgb(0x9370DB)},
    {"BlueViolet", FromRgb(0x8A2BE2)},
    {"DarkViolet", FromRgb(0x9400D3)},
    {"DarkOrchid", FromRgb(0x9932CC)},
    {"DarkMagenta", FromRgb(0x8B008B)},
    {"Purple", FromRgb(0x800080)},
    {"Indigo", FromRgb(0x4B0082)},
    {"MediumSlateBlue", FromRgb(0x7B68EE)},
    {"SlateBlue", FromRgb(0x6A5ACD)},
    {"DarkSlateBlue", FromRgb(0x483D8B)},
    // whites
    {"White", FromRgb(0xFFFFFF)},
    {"Snow", FromRgb(0xFFFAFA)},
    {"Honeydew", FromRgb(0xF0FFF0)},
    {"MintCream", FromRgb(0xF5FFFA)},
    {"Azure", FromRgb(0xF0FFFF)},
    {"AliceBlue", FromRgb(0xF0F8FF)},
    {"GhostWhite", FromRgb(0xF8F8FF)},
    {"WhiteSmoke", FromRgb(0xF5F5F5)},
    {"SeaShell", FromRgb(0xFFF5EE)},
    {"Beige", FromRgb(0xF5F5DC)},
    {"OldLace", FromRgb(0xFDF5E6)},
    {"FloralWhite", FromRgb(0xFFFAF0)},
    {"Ivory", FromRgb(0xFFFFF0)},
    {"AntiqueWhite", FromRgb(0xFAEBD7)},
    {"Linen", FromRgb(0xFAF0E6)},
    {"LavenderBlush", FromRgb(0xFFF0F5)},
    {"MistyRose", FromRgb(0xFFE4E1)},
    // greys and black
    {"Gainsboro", FromRgb(0xDCDCDC)},
    {"LightGray", FromRgb(0xD3D3D3)},
    {"Silver", FromRgb(0xC0C0C0)},
    {"DarkGray", FromRgb(0xA9A9A9)},
    {"Gray", FromRgb(0x808080)},
    {"DimGray", FromRgb(0x696969)},
    {"LightSlateGray", FromRgb(0x778899)},
    {"SlateGray", FromRgb(0x708090)},
    {"DarkSlateGray", FromRgb(0x2F4F4F)},
    {"Black", FromRgb(0x000000)},
}};

ColorNameTable PrepareListTable(TcxColorPrepareList list) {
  switch (list) {
    case cxplTavik:
      return ClColorNames;
    case cxplHTML4:
      return Html4ColorNames;
    case cxplX11:
      return X11ColorNames;
    case cxplX11Ordered:
      return X11HueColorNames;
    case cxplNone:
      break;
  }
  return {};
}

ColorNameTable NamingTable(TcxColorNamingConvention convention) {
  switch (convention) {
    case cxncTavik:
      return ClColorNames;
    case cxncHTML4:
      return Html4ColorNames;
    case cxncX11:
      return X11ColorNames;
    case cxncNone:
      break;
  }
  return {};
}

std::optional<std::string_view> FindColorName(ColorNameTable table, ColorValue value) {
  for (const ColorName& pair : table) {
    if (pair.value == value) return pair.name;
  }
  return std::nullopt;
}

std::optional<ColorValue> FindColorByName(ColorNameTable table, std::string_view name) {
  for (const ColorName& pair : table) {
    if (EqualsIgnoringAsciiCase(pair.name, name)) return pair.value;
  }
  return std::nullopt;
}

std::optional<ColorValue> FindColorByName(std::string_view name) {
  return FindColorByName(ClColorNames, name);
}

ColorNameTable ListColorNames() { return ClColorNames; }

std::string FormatColorValue(ColorValue value, TcxColorValueFormat format) {
  char text[32];
  if (format == cxcvInteger) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<int32_t>(value)));
    return text;
  }
  const Rgb rgb = ResolveRgb(value);
  if (format == cxcvHexadecimal) {
    std::snprintf(text, sizeof text, "%02X%02X%02X", rgb.r, rgb.g, rgb.b);
  } else {
    std::snprintf(text, sizeof text, "%u.%u.%u", rgb.r, rgb.g, rgb.b);
  }
  return text;
}

std::string ColorText(ColorValue value, std::string_view description,
                      TcxColorNamingConvention convention, TcxColorValueFormat format) {
  if (convention == cxncNone) return std::string(description);
  if (auto name = FindColorName(NamingTable(convention), value)) return std::string(*name);
  return FormatColorValue(value, format);
}

}  // namespace t2j
