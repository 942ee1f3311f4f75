// Colours as style sheets write them: #RGB, #RRGGBB and the named colours.
#pragma once

#include <optional>
#include <string_view>

#include "platform/color.h"

namespace t2j {

// The colour of "#RGB" (each digit doubled) or "#RRGGBB", hexadecimal digits in either letter
// case, as a ColorValue; nothing for any other text.
std::optional<ColorValue> ParseHashColor(std::string_view text);

// The colour of one of the 148 named colours of CSS ("red", "rebeccapurple", "lightgrey"),
// letter case ignored; nothing for any other name.
std::optional<ColorValue> FindCssColor(std::string_view name);

}  // namespace t2j
