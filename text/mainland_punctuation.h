// Full-width punctuation where mainland Chinese text has it. Faces made for Taiwan centre the
// full stop, the commas, the colon, semicolon, exclamation and question marks in the em box;
// mainland text puts 。，、 in the lower left of it and ：；！？ at its left.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <optional>
#include <utility>

namespace t2j {

enum class PunctuationPlace : uint8_t { kLowerLeft, kLeft };

// The marks that move, with their places.
inline constexpr std::pair<char32_t, PunctuationPlace> kMainlandPunctuation[] = {
    {U'。', PunctuationPlace::kLowerLeft}, {U'，', PunctuationPlace::kLowerLeft},
    {U'、', PunctuationPlace::kLowerLeft}, {U'：', PunctuationPlace::kLeft},
    {U'；', PunctuationPlace::kLeft},      {U'！', PunctuationPlace::kLeft},
    {U'？', PunctuationPlace::kLeft},
};

// How far a glyph's image moves, in pixels: right and up.
struct PunctuationShift {
  int32_t right = 0;
  int32_t up = 0;
};

// The move for the glyph loaded into the slot, drawn at an em of `em` pixels: its ink centred a
// quarter of the em from the left (a sixteenth of the em clear of the left edge at least), and
// for the lower-left marks its top a quarter of the em above the baseline. Nothing when the slot
// holds no ink that can be measured.
std::optional<PunctuationShift> MainlandShift(FT_GlyphSlot slot, PunctuationPlace place,
                                              int64_t em);

}  // namespace t2j
