#include "text/reusing_font_engine.h"

#include <tuple>

namespace t2j {
namespace {

auto Fields(const LogFont& f) {
  return std::tie(f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic,
                  f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
                  f.lfQuality, f.lfPitchAndFamily, f.lfFaceName, f.font_file, f.font_face_index);
}

// A font handed out again: every call goes to the one font made for its description.
class SharedFont final : public TextFont {
 public:
  explicit SharedFont(const TextFont& font) : font_(font) {}
  TextExtent Measure(std::string_view text) const override { return font_.Measure(text); }
  void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
            int64_t clip_right) const override {
    font_.Draw(raster, x, y, text, color, background, clip_right);
  }
  void DrawOver(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                int64_t clip_right) const override {
    font_.DrawOver(raster, x, y, text, color, clip_right);
  }
  InkBox Ink(std::string_view text) const override { return font_.Ink(text); }
  RowSpan DrawnRows(std::string_view text) const override { return font_.DrawnRows(text); }
  std::vector<char32_t> Uncovered(std::string_view text) const override {
    return font_.Uncovered(text);
  }

 private:
  const TextFont& font_;
};

}  // namespace

std::unique_ptr<TextFont> ReusingFontEngine::CreateFont(const LogFont& log_font) {
  for (const Made& made : made_) {
    if (Fields(made.log_font) == Fields(log_font)) return std::make_unique<SharedFont>(*made.font);
  }
  std::unique_ptr<TextFont> font = engine_.CreateFont(log_font);
  made_.push_back(Made{log_font, std::move(font)});
  return std::make_unique<SharedFont>(*made_.back().font);
}

}  // namespace t2j
