#include "convert/render_settings.h"

#include <algorithm>
#include <cctype>

#include "convert/parse_int.h"
#include "platform/gb18030.h"
#include "platform/mul_div.h"

namespace t2j {
namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

RenderSettings ReadRenderSettings(std::string_view font_name, std::string_view size_text,
                                  ColorValue text_color, std::string_view line_spacing_text,
                                  std::string_view margin_text) {
  RenderSettings settings;
  settings.FontName = std::string(font_name);
  settings.FontSize = ParseIntOrDefault(size_text, kFontSizeFallback);
  settings.TextColor = text_color;
  settings.LineSpacing = ParseIntOrDefault(line_spacing_text, kLineSpacingFallback);
  settings.Margin = ParseIntOrDefault(margin_text, kMarginFallback);
  return settings;
}

std::string FaceNameFor(std::string_view font_name) {
  if (font_name.empty() || EqualsIgnoringAsciiCase(font_name, "Default")) {
    return std::string(kDefaultFaceName);
  }
  if (IsInstalledFamily(font_name)) return std::string(font_name);
  return std::string(font_name.substr(0, Gb18030PrefixLength(font_name, kMaxFaceNameBytes)));
}

LogFont MakeLogFont(const RenderSettings& settings, int32_t pixels_per_inch) {
  LogFont font;
  // MulDiv gives -1 on overflow; negating INT32_MIN cannot happen since its result never is.
  font.lfHeight = -MulDiv(settings.FontSize, pixels_per_inch, 72);
  font.lfFaceName = FaceNameFor(settings.FontName);
  return font;
}

}  // namespace t2j
