// The number parser against its rules, written out here a second, plainer way.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "convert/parse_int.h"

namespace {

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> Expected(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (text.substr(i).starts_with("0x") || text.substr(i).starts_with("0X")) {
    hex = true;
    i += 2;
  } else if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  }
  const std::string_view digits = text.substr(i);
  if (digits.empty()) return std::nullopt;
  // Leading zeros are free; whatever follows them counts.
  size_t significant = 0;
  bool seen_nonzero = false;
  uint64_t value = 0;
  for (const char c : digits) {
    const int d = DigitValue(c, hex);
    if (d < 0) return std::nullopt;
    seen_nonzero = seen_nonzero || d != 0;
    if (!seen_nonzero) continue;
    if (++significant > (hex ? 8u : 10u)) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
  }
  if (hex) {
    const uint32_t pattern = static_cast<uint32_t>(value);
    return static_cast<int32_t>(negative ? 0u - pattern : pattern);
  }
  if (negative ? value > 2147483648u : value > 2147483647u) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(value)
                                       : static_cast<int64_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> expected = Expected(text);
  if (t2j::ParseInt(text) != expected) std::abort();
  if (t2j::ParseIntOrDefault(text, 9) != expected.value_or(9)) std::abort();
  return 0;
}
