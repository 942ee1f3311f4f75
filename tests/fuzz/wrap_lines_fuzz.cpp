// Lines broken to a width: every line fits as the font measures it, nothing but spaces at the
// breaks is lost, and a failure is one character wider than the width.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/input_lines.h"
#include "convert/render_settings.h"
#include "convert/wrap_lines.h"
#include "platform/gb18030.h"

namespace {

std::string WithoutSpaces(std::string_view text) {
  std::string kept;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] == ' ') continue;
    if (text.substr(pos, 3) == "\xE3\x80\x80") {  // U+3000
      pos += 2;
      continue;
    }
    kept += text[pos];
  }
  return kept;
}

// Fonts are made once for each face and size: making one costs more than a run.
const t2j::TextFont& FontFor(uint8_t choice) {
  static std::map<uint8_t, std::unique_ptr<t2j::TextFont>> fonts;
  std::unique_ptr<t2j::TextFont>& font = fonts[choice];
  if (!font) {
    t2j::RenderSettings settings;
    settings.FontName = choice & 1 ? "宋体" : "DejaVu Sans";
    settings.FontSize = 1 + choice / 2 % 40;
    font = t2j::SystemFontEngine().CreateFont(t2j::MakeLogFont(settings, 96));
  }
  return *font;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int64_t max_width = data[1] + 256 * (data[2] & 3) - 8;
  std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
  text = text.substr(0, t2j::ValidUtf8Prefix(text));

  const t2j::TextFont& font = FontFor(data[0] % 80);
  const std::vector<std::string> lines = t2j::InputLines(text, SIZE_MAX);
  std::vector<std::string> wrapped;
  try {
    wrapped = t2j::WrapLines(lines, font, max_width);
  } catch (const t2j::ETooNarrow&) {
    return 0;  // one character wider than the width: a message, which is fine
  }
  std::string joined;
  std::string original;
  for (const std::string& line : lines) original += WithoutSpaces(line);
  for (const std::string& line : wrapped) {
    if (font.Measure(line).cx > max_width && !line.empty()) std::abort();
    joined += WithoutSpaces(line);
  }
  if (joined != original || wrapped.size() < lines.size()) std::abort();
  return 0;
}
