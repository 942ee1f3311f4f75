// Shaping and bidirectional placement of the parts of a line that need them. Han, kana, hangul,
// Latin, Greek, Cyrillic and CJK punctuation are measured as the sum of their characters'
// advances; characters of the complex scripts, right-to-left letters, combining marks and emoji
// sequences are shaped with HarfBuzz over the face that covers them, and right-to-left runs are
// placed by the Unicode bidirectional algorithm in a left-to-right paragraph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

typedef struct FT_FaceRec_* FT_Face;
typedef struct hb_font_t hb_font_t;

namespace t2j {

// True when a character needs shaping (see above). Characters below U+0300 never do. A few
// property look-ups: callers keep the answer for characters they meet often.
bool NeedsShaping(char32_t c);

// True when a character asks for a colour emoji glyph: it is shown as emoji by default, or it is
// the emoji variation selector U+FE0F or the keycap mark U+20E3.
bool AsksForEmoji(char32_t c);

// True for Unicode's default-ignorable code points (joiners, bidirectional marks, zero-width
// space, word joiner, byte order mark, variation selectors, tags, ...): drawn as nothing, with no
// width.
bool IsDefaultIgnorable(char32_t c);

// The most characters that follow a cluster's first one in a line handed to HarfBuzz, whose time
// grows with the square of a cluster's length. Text has at most 30 marks in a row (the limit of
// Unicode's stream-safe text format); emoji sequences are shorter still.
constexpr size_t kMostClusterContinuations = 64;

// Leaves out of a line that is to be shaped the marks, joiners, emoji modifiers and tags that
// would make a cluster longer than that: a few hundred thousand marks on one letter would
// otherwise take minutes, and marks past the first few dozen stack far outside the line's cell
// anyway. A chain of emoji joined by U+200D loses a joiner there and goes on as a new cluster.
void LimitClusterLength(std::vector<char32_t>& line);

// The canonical composition (NFC) of a cluster into `out`; false when it is no shorter.
bool ComposeCluster(std::u32string_view cluster, std::u32string& out);

// A run of a line: characters [begin, end) of it, drawn in one face. A shaped run goes through
// HarfBuzz, right to left when `rtl`; any other run is drawn character by character.
struct TextRun {
  size_t begin = 0;
  size_t end = 0;
  int face = 0;
  bool shaped = false;
  bool rtl = false;
  // Left to right and only of the scripts measured character by character (shaped for their
  // marks or emoji sequences): every glyph keeps the face's own advance, so that a decomposed
  // sequence measures as its composed form and nothing is kerned.
  bool own_advances = false;
  uint32_t script = 0;  // hb_script_t
};

// Gives the face for the user-perceived character [begin, end) of the text.
using FaceChooser = std::function<int(size_t begin, size_t end)>;

// The line's runs from left to right. A user-perceived character (a base with its marks, an
// emoji sequence, a flag) never spans two runs.
std::vector<TextRun> VisualRuns(std::u32string_view text, const FaceChooser& face_of);

// One glyph of a shaped run, its offsets and advance in 1/64 pixels.
struct ShapedGlyph {
  uint32_t index = 0;
  int32_t x_offset = 0;
  int32_t y_offset = 0;  // upwards
  int32_t x_advance = 0;
};

// A face prepared for HarfBuzz at one character height.
class ShapingFont {
 public:
  // `face` must outlive this object. Positions come out in 1/64 pixels at `em_64ths`.
  ShapingFont(FT_Face face, int64_t em_64ths);
  ~ShapingFont();
  ShapingFont(const ShapingFont&) = delete;
  ShapingFont& operator=(const ShapingFont&) = delete;

  // Appends the glyphs of the run, left to right.
  void Shape(std::u32string_view text, const TextRun& run, std::vector<ShapedGlyph>& out) const;

 private:
  hb_font_t* font_ = nullptr;
};

}  // namespace t2j
