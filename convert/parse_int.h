#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace t2j {

// Reads a field's text as a 32-bit signed integer: leading spaces (0x20 only), an optional sign,
// then decimal digits or a hexadecimal number after "$", "x", "X", "0x" or "0X", and nothing
// after the digits. Decimal values must fit into 32 bits; hexadecimal numbers may have up to 8
// significant digits, taken as a two's-complement pattern (a "-" negates it within 32 bits).
// Any other text gives `fallback`. Never fails.
int32_t ParseIntOrDefault(std::string_view text, int32_t fallback);

// The same rules, telling a text that is no number apart: nothing for it.
std::optional<int32_t> ParseInt(std::string_view text);

}  // namespace t2j
