// The constant colour tables of the colour box, colour naming and the lookups of the
// command-line tool.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/color.h"
#include "widgets/colour_picker/model/color_combo_enums.h"

namespace t2j {

struct ColorName {
  std::string_view name;
  ColorValue value = 0;
};

using ColorNameTable = std::span<const ColorName>;

// The program's colour list: 16 basic colours, 4 extra ones, the system colours (0xFF000000 +
// index) and the markers clDefault and clNone. No two entries share a value.
extern const std::array<ColorName, 52> ClColorNames;
// The 16 colour keywords of HTML 4.01.
extern const std::array<ColorName, 16> Html4ColorNames;
// The 140 X11/CSS colour names, alphabetical. Aqua/Cyan and Fuchsia/Magenta share a value.
extern const std::array<ColorName, 140> X11ColorNames;
// The same 140 pairs ordered by colour family (pinks first, greys and black last).
extern const std::array<ColorName, 140> X11HueColorNames;

// The table that a prepared list takes its entries from; empty for cxplNone.
ColorNameTable PrepareListTable(TcxColorPrepareList list);
// The table that names colours under a naming convention; empty for cxncNone.
ColorNameTable NamingTable(TcxColorNamingConvention convention);

// The name of the first pair of the table whose value is `value`, if any.
std::optional<std::string_view> FindColorName(ColorNameTable table, ColorValue value);

// The value of the first pair whose name equals `name` with ASCII letter case ignored.
std::optional<ColorValue> FindColorByName(ColorNameTable table, std::string_view name);
// The same over ClColorNames ("clred" and "clRed" both give 0x000000FF).
std::optional<ColorValue> FindColorByName(std::string_view name);

// The colours that the command-line tool offers by name (ClColorNames, in table order).
ColorNameTable ListColorNames();

// `value` written by format: cxcvInteger as a signed decimal (0xFF000005 gives -16777211);
// cxcvRGB and cxcvHexadecimal first resolve a system colour through GetSysColor, then write red,
// green and blue as "86.52.18" or "563412". A format outside the enumeration writes as cxcvRGB.
std::string FormatColorValue(ColorValue value, TcxColorValueFormat format);

// The name shown for a colour: under cxncNone the description unchanged; otherwise the name from
// the convention's table, or FormatColorValue when the table has none for the value.
std::string ColorText(ColorValue value, std::string_view description,
                      TcxColorNamingConvention convention, TcxColorValueFormat format);

}  // namespace t2j
