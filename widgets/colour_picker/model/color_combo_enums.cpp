#include "widgets/colour_picker/model/color_combo_enums.h"

#include <array>
#include <cstddef>

namespace t2j {
namespace {

template <size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, uint8_t value) {
  return value < N ? names[value] : std::string_view();
}

}  // namespace

std::string_view EnumName(TcxColorPrepareList value) {
  static constexpr std::array<std::string_view, 5> kNames = {"cxplNone", "cxplTavik", "cxplHTML4",
                                                             "cxplX11", "cxplX11Ordered"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxColorNamingConvention value) {
  static constexpr std::array<std::string_view, 4> kNames = {"cxncNone", "cxncTavik", "cxncHTML4",
                                                             "cxncX11"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxColorValueFormat value) {
  static constexpr std::array<std::string_view, 3> kNames = {"cxcvRGB", "cxcvHexadecimal",
                                                             "cxcvInteger"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxDefaultColorStyle value) {
  static constexpr std::array<std::string_view, 5> kNames = {
      "cxdcClear", "cxdcColor", "cxdcHatched", "cxdcText", "cxdcCustom"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxColorComboStyle value) {
  static constexpr std::array<std::string_view, 2> kNames = {"cxccsComboList", "cxccsComboEdit"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxColorBoxAlign value) {
  static constexpr std::array<std::string_view, 2> kNames = {"cbaLeft", "cbaRight"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxEditDropDownListStyle value) {
  static constexpr std::array<std::string_view, 3> kNames = {"lsEditFixedList", "lsEditList",
                                                             "lsFixedList"};
  return NameAt(kNames, value);
}

std::string_view EnumName(TcxColorDialogType value) {
  static constexpr std::array<std::string_view, 1> kNames = {"cxcdtDefault"};
  return NameAt(kNames, value);
}

}  // namespace t2j
