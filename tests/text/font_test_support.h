// What the font engine's tests share: the two colours they draw with and a font made from a face
// name and a pixel height through the system's engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "text/font_engine.h"

namespace t2j {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kInk{0, 0, 0};

inline std::unique_ptr<TextFont> Font(const std::string& face, int32_t height) {
  LogFont log_font;
  log_font.lfFaceName = face;
  log_font.lfHeight = height;
  return SystemFontEngine().CreateFont(log_font);
}

}  // namespace t2j
