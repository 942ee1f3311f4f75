#include "convert/render_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "convert/parse_int.h"
#include "platform/failure.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/mul_div.h"
#include "text/font_size.h"

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

std::optional<LineAlignment> ParseLineAlignment(std::string_view name) {
  if (name == "left") return LineAlignment::kLeft;
  if (name == "center" || name == "centre") return LineAlignment::kCenter;
  if (name == "right") return LineAlignment::kRight;
  return std::nullopt;
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
  // MulDiv's -1 for an overflow would ask for a one-pixel font, and its INT32_MIN cannot be
  // negated: both are sizes far beyond what the font engine draws.
  const int32_t em = MulDiv(settings.FontSize, pixels_per_inch, 72);
  const int64_t exact = static_cast<int64_t>(settings.FontSize) * pixels_per_inch;
  if ((em == -1 && exact / 72 != 0 && exact / 72 != -1) || em == INT32_MIN) {
    const int64_t pixels = std::llabs(exact) / 72;
    throw EOutOfResources(Msg(exact < 0 ? N_("font size too large: a character cell height of %s "
                                             "pixels is beyond the font engine's range (a "
                                             "character height of at most %s pixels)")
                                        : N_("font size too large: a character height of %s "
                                             "pixels is beyond the font engine's range (a "
                                             "character height of at most %s pixels)"),
                              {std::to_string(pixels), std::to_string(kMaxEmPixels)}));
  }
  font.lfHeight = -em;
  font.lfFaceName = FaceNameFor(settings.FontName);
  return font;
}

}  // namespace t2j
