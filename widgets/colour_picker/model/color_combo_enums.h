// Enumerations of the colour box's settings. The values keep their declaration order, which is
// also their number.
#pragma once

#include <cstdint>
#include <string_view>

namespace t2j {

// Which constant table fills the colour list when the list is prepared.
enum TcxColorPrepareList : uint8_t { cxplNone, cxplTavik, cxplHTML4, cxplX11, cxplX11Ordered };

// Where the shown name of a colour comes from.
enum TcxColorNamingConvention : uint8_t { cxncNone, cxncTavik, cxncHTML4, cxncX11 };

// How a colour without a name is written.
enum TcxColorValueFormat : uint8_t { cxcvRGB, cxcvHexadecimal, cxcvInteger };

// How the swatch of a value outside the list is filled.
enum TcxDefaultColorStyle : uint8_t { cxdcClear, cxdcColor, cxdcHatched, cxdcText, cxdcCustom };

// Whether a value outside the list is shown as itself (ComboEdit) or as "no colour" (ComboList).
enum TcxColorComboStyle : uint8_t { cxccsComboList, cxccsComboEdit };

// Side of the swatch relative to the text.
enum TcxColorBoxAlign : uint8_t { cbaLeft, cbaRight };

enum TcxEditDropDownListStyle : uint8_t { lsEditFixedList, lsEditList, lsFixedList };

// The colour dialog that a "pick another colour" button would open; without that button it has
// no effect.
enum TcxColorDialogType : uint8_t { cxcdtDefault };

// The identifier of each value ("cxplTavik"); "" for a number outside the enumeration.
std::string_view EnumName(TcxColorPrepareList value);
std::string_view EnumName(TcxColorNamingConvention value);
std::string_view EnumName(TcxColorValueFormat value);
std::string_view EnumName(TcxDefaultColorStyle value);
std::string_view EnumName(TcxColorComboStyle value);
std::string_view EnumName(TcxColorBoxAlign value);
std::string_view EnumName(TcxEditDropDownListStyle value);
std::string_view EnumName(TcxColorDialogType value);

}  // namespace t2j
