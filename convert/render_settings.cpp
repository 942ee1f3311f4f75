#include "convert/render_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "convert/parse_int.h"
#include "platform/failure.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/mul_div.h"
#include "text/font_resolver.h"
#include "text/font_size.h"

namespace t2j {
namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr std::string_view kFontFileExtensions[] = {".ttf", ".otf", ".ttc",  ".otc",
                                                    ".pfa", ".pfb", ".woff", ".woff2"};

// The length of a ":N" face number at the end of the argument, 0 when there is none.
size_t FaceNumberLength(std::string_view argument) {
  size_t digits = 0;
  while (digits < argument.size() &&
         std::isdigit(static_cast<unsigned char>(argument[argument.size() - 1 - digits]))) {
    ++digits;
  }
  if (digits == 0 || digits > 5 || digits == argument.size() ||
      argument[argument.size() - 1 - digits] != ':') {
    return 0;
  }
  return digits + 1;
}

bool NamesFontFile(std::string_view path) {
  if (path.find('/') != std::string_view::npos) return true;
  return std::any_of(std::begin(kFontFileExtensions), std::end(kFontFileExtensions),
                     [&](std::string_view extension) {
                       return path.size() > extension.size() &&
                              EqualsIgnoringAsciiCase(path.substr(path.size() - extension.size()),
                                                      extension);
                     });
}

}  // namespace

bool IsFontFileArgument(std::string_view argument) {
  return NamesFontFile(argument) ||
         NamesFontFile(argument.substr(0, argument.size() - FaceNumberLength(argument)));
}

std::optional<std::string> SetFontArgument(RenderSettings& settings, std::string_view argument) {
  if (!IsFontFileArgument(argument)) {
    settings.FontName = std::string(argument);
    settings.FontPath.clear();
    settings.FontFaceIndex = 0;
    return std::nullopt;
  }
  FaceRequest request;
  request.font_file = std::string(argument);
  if (const size_t number = FaceNumberLength(argument); number != 0) {
    std::error_code error;
    const std::string_view path = argument.substr(0, argument.size() - number);
    if (!std::filesystem::exists(std::filesystem::path(request.font_file), error) &&
        NamesFontFile(path)) {
      request.font_file = std::string(path);
      request.face_index = std::stoi(std::string(argument.substr(argument.size() - number + 1)));
    }
  }
  try {
    ResolveFace(request);
  } catch (const Exception& failure) {
    return std::string(failure.what());
  }
  settings.FontName = std::string(argument);
  settings.FontPath = request.font_file;
  settings.FontFaceIndex = request.face_index;
  return std::nullopt;
}

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
  font.font_file = settings.FontPath;
  font.font_face_index = settings.FontFaceIndex;
  return font;
}

}  // namespace t2j
