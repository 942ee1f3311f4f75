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
  // A font file that draws instead of the face FontName names, and which of its faces; set by
  // SetFontArgument.
  std::string FontPath = {};
  int32_t FontFaceIndex = 0;
};

// The alignment named "left", "center" (or "centre") or "right"; nothing for any other text.
std::optional<LineAlignment> ParseLineAlignment(std::string_view name);

// True when a font argument names a font file rather than a face: it contains a '/' or ends in
// .ttf, .otf, .ttc, .otc, .pfa, .pfb, .woff or .woff2 (any letter case), either of them perhaps
// followed by ":N", the number of a face of a collection counted from 0.
bool IsFontFileArgument(std::string_view argument);

// Takes a font argument of the command-line tool and the library: a font file (as
// IsFontFileArgument tells, "path:N" taken as face N only when no file has the whole name) or
// else a face name as the window's font box holds it. A font file must be readable and hold that
// face. Returns why the argument cannot be taken, the settings unchanged, or nothing when they
// took it.
std::optional<std::string> SetFontArgument(RenderSettings& settings, std::string_view argument);

// The settings from the texts of the window's fields, numbers parsed with their fallbacks.
RenderSettings ReadRenderSettings(std::string_view font_name, std::string_view size_text,
                                  ColorValue text_color, std::string_view line_spacing_text,
                                  std::string_view margin_text);

// The drawing font for the settings: lfHeight = -MulDiv(FontSize, ppi, 72), the face name as
// FaceNameFor gives it, the font file of FontPath, every other field at its default.
LogFont MakeLogFont(const RenderSettings& settings, int32_t pixels_per_inch);

// The face that reaches the font for a font name: "MS Sans Serif" for an empty name and for
// "Default" in any letter case; the whole name when an installed family has exactly that name;
// otherwise its first kMaxFaceNameBytes GB18030 bytes.
std::string FaceNameFor(std::string_view font_name);

}  // namespace t2j
