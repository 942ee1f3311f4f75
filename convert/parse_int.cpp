#include "convert/parse_int.h"

#include <cstddef>

namespace t2j {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  size_t hex_prefix = 0;
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hex_prefix = 2;
  } else if (rest.starts_with("$") || rest.starts_with("x") || rest.starts_with("X")) {
    hex_prefix = 1;
  }

  if (hex_prefix > 0) {
    const std::string_view digits = rest.substr(hex_prefix);
    if (digits.empty()) return std::nullopt;
    uint32_t pattern = 0;
    int significant = 0;
    for (char c : digits) {
      const int value = HexDigitValue(c);
      if (value < 0) return std::nullopt;
      if (significant > 0 || value != 0) ++significant;
      if (significant > 8) return std::nullopt;
      pattern = (pattern << 4) | static_cast<uint32_t>(value);
    }
    if (negative) pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
  }

  if (rest.empty()) return std::nullopt;
  // Accumulated as a magnitude up to 2^31, which the negative range still holds.
  constexpr uint64_t kLimit = 2147483648ull;
  uint64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(value);
}

int32_t ParseIntOrDefault(std::string_view text, int32_t fallback) {
  return ParseInt(text).value_or(fallback);
}

}  // namespace t2j
