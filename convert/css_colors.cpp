#include "convert/css_colors.h"

#include <string>

#include "convert/parse_int.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<ColorValue> ParseHashColor(std::string_view text) {
  if ((text.size() != 4 && text.size() != 7) || text[0] != '#') return std::nullopt;
  uint32_t rgb = 0;
  for (char c : text.substr(1)) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    rgb = (rgb << 4) | static_cast<uint32_t>(digit);
    if (text.size() == 4) rgb = (rgb << 4) | static_cast<uint32_t>(digit);
  }
  return MakeColorValue(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                        static_cast<uint8_t>(rgb));
}

std::optional<ColorValue> FindCssColor(std::string_view name) {
  if (auto value = FindColorByName(X11ColorNames, name)) return value;
  // CSS adds one colour to the X11 names, and "grey" spellings of every gray.
  std::string folded;
  for (char c : name) folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (folded == "rebeccapurple") return MakeColorValue(0x66, 0x33, 0x99);
  if (const size_t grey = folded.find("grey"); grey != std::string::npos) {
    folded.replace(grey, 4, "gray");
    return FindColorByName(X11ColorNames, folded);
  }
  return std::nullopt;
}

std::optional<ColorValue> ParseColorArgument(std::string_view text) {
  if (auto hash = ParseHashColor(text)) return hash;
  if (auto number = ParseInt(text)) return static_cast<ColorValue>(*number);
  if (auto named = FindColorByName(text)) return named;
  return FindCssColor(text);
}

}  // namespace t2j
