// The settings of one conversion and the fixed values around them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/color.h"
#include "text/font_engine.h"

namespace t2j {

// Values taken when a numeric field's text is no number.
constexpr int32_t kFontSizeFallback = 9;
constexpr int32_t kLineSpacingFallback = 0;
constexpr int32_t kMarginFallback = 0;

// The window's starting values, which the command-line tool shares.
inline constexpr std::string_view kDefaultFontName = "宋体";
constexpr int32_t kDefaultFontSize = 12;
constexpr ColorValue kDefaultTextColor = 0x00008000;
constexpr int32_t kDefaultLineSpacing = 4;
constexpr int32_t kDefaultMargin = 10;

// White: the picture wherever no text is drawn, and the fill of each line's cell.
constexpr ColorValue kDefaultBackgroundColor = 0x00FFFFFF;

// Where each line sits within the picture's width, between the margins.
enum class LineAlignment { kLeft, kCenter, kRight };

// Pixels per inch when no screen says otherwise.
constexpr int32_t kDefaultPixelsPerInch = 96;

// Longest face name that reaches the font, in GB18030 bytes, when no family has the whole name.
constexpr size_t kMaxFaceNameBytes = 31;

// The face that "Default" and an empty font name stand for.
inline constexpr std::string_view kDefaultFaceName = "MS Sans Serif";

struct RenderSettings {
  std::string FontName;  // UTF-8, as the font box holds it
  int32_t FontSize = kDefaultFontSize;
  ColorValue TextColor = kDefaultTextColor;
  int32_t LineSpacing = kDefaultLineSpacing;
  int32_t Margin = kDefaultMargin;
  // Beyond the window's settings; their defaults draw what the window draws.
  ColorValue BackgroundColor = kDefaultBackgroundColor;
  LineAlignment Alignment = LineAlignment::kLeft;
};

// The alignment named "left", "center" (or "centre") or "right"; nothing for any other text.
std::optional<LineAlignment> ParseLineAlignment(std::string_view name);

// The settings from the texts of the window's fields, numbers parsed with their fallbacks.
RenderSettings ReadRenderSettings(std::string_view font_name, std::string_view size_text,
                                  ColorValue text_color, std::string_view line_spacing_text,
                                  std::string_view margin_text);

// The drawing font for the settings: lfHeight = -MulDiv(FontSize, ppi, 72), the face name as
// FaceNameFor gives it, every other field at its default.
LogFont MakeLogFont(const RenderSettings& settings, int32_t pixels_per_inch);

// The face that reaches the font for a font name: "MS Sans Serif" for an empty name and for
// "Default" in any letter case; the whole name when an installed family has exactly that name;
// otherwise its first kMaxFaceNameBytes GB18030 bytes.
std::string FaceNameFor(std::string_view font_name);

}  // namespace t2j
