// A font engine that hands out the fonts it made before.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "text/font_engine.h"

namespace t2j {

// A font engine that makes each font once and hands out that same font again for the same
// description, so that a run of many conversions lays out its fonts and renders its glyphs once.
// The fonts it hands out must not outlive it.
class ReusingFontEngine final : public FontEngine {
 public:
  explicit ReusingFontEngine(FontEngine& engine) : engine_(engine) {}
  std::unique_ptr<TextFont> CreateFont(const LogFont& log_font) override;
  // How many fonts it holds.
  size_t FontCount() const { return made_.size(); }

 private:
  struct Made {
    LogFont log_font;
    std::unique_ptr<TextFont> font;
  };
  FontEngine& engine_;
  std::vector<Made> made_;
};

}  // namespace t2j
