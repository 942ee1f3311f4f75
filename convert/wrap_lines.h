// Lines broken to a width: the Chinese and Japanese line-breaking rules for Han text, kana and
// punctuation, Unicode's line-break opportunities for other text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "text/font_engine.h"

namespace t2j {

// One character is wider than the width that lines are broken to.
class ETooNarrow : public Exception {
 public:
  using Exception::Exception;
};

// Breaks every line (UTF-8) into lines no wider than `max_width` as `font` measures a line, the
// measure that the picture's geometry uses:
//  - A line that fits stays as it is, and so does an empty line.
//  - Otherwise each piece ends at the last break opportunity that fits: between two Han
//    characters, after closing punctuation or a Han character and before opening punctuation or
//    a Han character, and at the opportunities of the Unicode line-breaking rules (ICU);
//    never before a character that may not start a line (closing punctuation
//    ，。、；：？！）》」』】”’ and their kin, the middle dots ·・, the connectors ～〜, the
//    iteration marks 々〻ゝゞヽヾ, small kana and ー), nor after opening punctuation (（《「『【“‘
//    and their kin), nor inside —— or …….
//  - A word or run that alone is too wide is broken after the last character (grapheme cluster)
//    that fits, keeping the rules above when it can, else those of closing and opening
//    punctuation when it can.
//  - Spaces (U+0020, U+3000) at a break are dropped on both sides. Spaces that start a line are
//    kept while the first word fits after them; when it does not they are dropped like the
//    spaces at any break, except that a line which then fits whole keeps as many as fit before
//    it (a signature set to the right stays at the right). A line of spaces only that is too
//    wide becomes an empty line, which keeps its place.
// Time grows linearly with the text: widths are measured in small pieces as the search moves on,
// and only the chosen line is measured whole.
// Fails with ETooNarrow when one character alone is wider than `max_width`, and with Exception
// when ICU has no line-breaking rules.
std::vector<std::string> WrapLines(const std::vector<std::string>& lines, const TextFont& font,
                                   int64_t max_width);

}  // namespace t2j
