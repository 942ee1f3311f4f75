// Colours as the user writes them: the program's colour names and numbers, and colours as style
// sheets write them: #RGB, #RRGGBB and the named colours.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/color.h"

namespace t2j {

// The colour of "#RGB" (each digit doubled) or "#RRGGBB", hexadecimal digits in either letter
// case, as a ColorValue; nothing for any other text.
std::optional<ColorValue> ParseHashColor(std::string_view text);

// The colour of one of the 148 named colours of CSS ("red", "rebeccapurple", "lightgrey"),
// letter case ignored; nothing for any other name.
std::optional<ColorValue> FindCssColor(std::string_view name);

// The colour of a text in any of the forms: "#RRGGBB" or "#RGB", a number (decimal or "0x" hex,
// 0x00BBGGRR, as ParseInt reads it), one of the colour box's names ("clRed", "clBtnFace", letter
// case ignored), or a CSS colour name, tried in that order; nothing for any other text.
std::optional<ColorValue> ParseColorArgument(std::string_view text);

}  // namespace t2j
