#include "text/text_shaping.h"

#include <hb-ft.h>
#include <hb.h>
#include <unicode/ubidi.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>

#include <memory>
#include <string>

namespace t2j {
namespace {

bool IsSimpleScript(UScriptCode script) {
  switch (script) {
    case USCRIPT_COMMON:
    case USCRIPT_INHERITED:
    case USCRIPT_UNKNOWN:
    case USCRIPT_LATIN:
    case USCRIPT_GREEK:
    case USCRIPT_CYRILLIC:
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_KATAKANA_OR_HIRAGANA:
    case USCRIPT_HANGUL:
    case USCRIPT_BOPOMOFO:
    case USCRIPT_YI:
      return true;
    default:
      return false;
  }
}

bool IsJoiningControl(char32_t c) {
  return c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) ||
         (c >= 0xE0100 && c <= 0xE01EF) || (c >= 0xE0020 && c <= 0xE007F);
}

bool IsConjoiningJamo(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) ||
         (c >= 0xD7B0 && c <= 0xD7FF);
}

bool ComputeNeedsShaping(char32_t c) {
  const UChar32 u = static_cast<UChar32>(c);
  switch (u_charType(u)) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
      return true;
    default:
      break;
  }
  if (AsksForEmoji(c) || IsJoiningControl(c) || IsConjoiningJamo(c)) return true;
  switch (u_charDirection(u)) {
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_ARABIC_NUMBER:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_POP_DIRECTIONAL_FORMAT:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
    case U_POP_DIRECTIONAL_ISOLATE:
      return true;
    default:
      break;
  }
  UErrorCode status = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(u, &status);
  return U_SUCCESS(status) && !IsSimpleScript(script);
}

uint32_t HbScriptOf(char32_t c) {
  UErrorCode status = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
  if (U_FAILURE(status) || script == USCRIPT_COMMON || script == USCRIPT_INHERITED ||
      script == USCRIPT_UNKNOWN) {
    return HB_SCRIPT_INVALID;
  }
  const char* name = uscript_getShortName(script);
  return name == nullptr ? HB_SCRIPT_INVALID : hb_script_from_string(name, -1);
}

struct BreakDeleter {
  void operator()(UBreakIterator* it) const { ubrk_close(it); }
};
struct BidiDeleter {
  void operator()(UBiDi* bidi) const { ubidi_close(bidi); }
};

// The character break iterator and the bidirectional state of this thread, made on first use and
// kept: opening an iterator reads ICU's rules anew, which took a fifth of the time of wrapping
// Arabic text. Nullptr when ICU cannot make them.
UBreakIterator* CharacterBreaks() {
  thread_local const std::unique_ptr<UBreakIterator, BreakDeleter> breaks = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UBreakIterator, BreakDeleter> opened(
        ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
    if (U_FAILURE(status)) opened.reset();
    return opened;
  }();
  return breaks.get();
}

UBiDi* Bidi() {
  thread_local const std::unique_ptr<UBiDi, BidiDeleter> bidi(ubidi_open());
  return bidi.get();
}

// True for what HarfBuzz joins to the cluster before it: marks, emoji modifiers, the zero-width
// joiner, the halfwidth sound marks and tags (and whatever follows a joiner, which the caller
// sees).
bool ContinuesCluster(char32_t c) {
  if (c < 0x300) return false;
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_COMBINING_SPACING_MARK:
      return true;
    default:
      return c == 0x200D || (c >= 0x1F3FB && c <= 0x1F3FF) || c == 0xFF9E || c == 0xFF9F ||
             (c >= 0xE0020 && c <= 0xE007F);
  }
}

}  // namespace

void LimitClusterLength(std::vector<char32_t>& line) {
  size_t kept = 0;
  size_t continuations = 0;
  for (const char32_t c : line) {
    const bool continues = ContinuesCluster(c);
    if (continues && continuations >= kMostClusterContinuations) continue;
    const bool after_joiner = kept > 0 && line[kept - 1] == 0x200D;
    continuations = continues || after_joiner ? continuations + 1 : 0;
    line[kept++] = c;
  }
  line.resize(kept);
}

bool NeedsShaping(char32_t c) { return c >= 0x300 && ComputeNeedsShaping(c); }

bool IsDefaultIgnorable(char32_t c) {
  return c >= 0xAD &&
         u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

bool ComposeCluster(std::u32string_view cluster, std::u32string& out) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status) || cluster.size() > 64) return false;
  UChar units[2 * 64];
  int32_t length = 0;
  for (const char32_t c : cluster) {
    if (c >= 0x10000) {
      units[length++] = static_cast<UChar>(U16_LEAD(c));
      units[length++] = static_cast<UChar>(U16_TRAIL(c));
    } else {
      units[length++] = static_cast<UChar>(c);
    }
  }
  UChar composed[2 * 64];
  const int32_t composed_length = unorm2_normalize(nfc, units, length, composed, 2 * 64, &status);
  if (U_FAILURE(status)) return false;
  out.clear();
  for (int32_t i = 0; i < composed_length;) {
    UChar32 c = 0;
    U16_NEXT(composed, i, composed_length, c);
    out.push_back(static_cast<char32_t>(c));
  }
  return out.size() < cluster.size();
}

bool AsksForEmoji(char32_t c) {
  if (c == 0xFE0F || c == 0x20E3) return true;
  if (c < 0x2000) return false;
  const UChar32 u = static_cast<UChar32>(c);
  return u_hasBinaryProperty(u, UCHAR_EMOJI_PRESENTATION) ||
         u_hasBinaryProperty(u, UCHAR_EMOJI_MODIFIER) ||
         u_hasBinaryProperty(u, UCHAR_REGIONAL_INDICATOR);
}

std::vector<TextRun> VisualRuns(std::u32string_view text, const FaceChooser& face_of) {
  std::vector<TextRun> runs;
  if (text.empty()) return runs;

  // ICU works in UTF-16; unit_of[i] is where character i starts.
  std::u16string units;
  std::vector<int32_t> unit_of(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    unit_of[i] = static_cast<int32_t>(units.size());
    const char32_t c = text[i];
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(U16_LEAD(c)));
      units.push_back(static_cast<char16_t>(U16_TRAIL(c)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  unit_of[text.size()] = static_cast<int32_t>(units.size());
  const int32_t length = static_cast<int32_t>(units.size());
  const UChar* data = reinterpret_cast<const UChar*>(units.data());

  // Cluster boundaries, as character indices; one character each when ICU cannot tell.
  std::vector<size_t> starts;
  UErrorCode status = U_ZERO_ERROR;
  UBreakIterator* breaks = CharacterBreaks();
  if (breaks != nullptr) ubrk_setText(breaks, data, length, &status);
  if (U_SUCCESS(status) && breaks != nullptr) {
    size_t i = 0;
    for (int32_t b = ubrk_first(breaks); b != UBRK_DONE && b < length; b = ubrk_next(breaks)) {
      while (unit_of[i] < b) ++i;
      starts.push_back(i);
    }
  } else {
    for (size_t i = 0; i < text.size(); ++i) starts.push_back(i);
  }

  std::vector<UBiDiLevel> levels(static_cast<size_t>(length), 0);
  status = U_ZERO_ERROR;
  if (UBiDi* bidi = Bidi()) {
    ubidi_setPara(bidi, data, length, UBIDI_LTR, nullptr, &status);
    const UBiDiLevel* resolved = U_SUCCESS(status) ? ubidi_getLevels(bidi, &status) : nullptr;
    if (U_SUCCESS(status) && resolved != nullptr) levels.assign(resolved, resolved + length);
  }

  std::vector<UBiDiLevel> run_levels;
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t begin = starts[k];
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
    const UBiDiLevel level = levels[static_cast<size_t>(unit_of[begin])];
    bool shaped = (level & 1) != 0;
    bool simple = (level & 1) == 0;
    uint32_t script = HB_SCRIPT_INVALID;
    for (size_t i = begin; i < end; ++i) {
      shaped = shaped || NeedsShaping(text[i]);
      if (script == HB_SCRIPT_INVALID) script = HbScriptOf(text[i]);
      UErrorCode script_status = U_ZERO_ERROR;
      simple = simple &&
               IsSimpleScript(uscript_getScript(static_cast<UChar32>(text[i]), &script_status));
    }
    const int face = face_of(begin, end);
    if (!runs.empty()) {
      TextRun& last = runs.back();
      const bool same_script = !shaped || script == HB_SCRIPT_INVALID ||
                               last.script == HB_SCRIPT_INVALID || last.script == script;
      if (last.face == face && last.shaped == shaped && run_levels.back() == level && same_script) {
        last.end = end;
        last.own_advances = last.own_advances && simple;
        if (last.script == HB_SCRIPT_INVALID) last.script = script;
        continue;
      }
    }
    runs.push_back(TextRun{begin, end, face, shaped, (level & 1) != 0, simple, script});
    run_levels.push_back(level);
  }

  std::vector<int32_t> order(runs.size());
  ubidi_reorderVisual(run_levels.data(), static_cast<int32_t>(runs.size()), order.data());
  std::vector<TextRun> visual;
  visual.reserve(runs.size());
  for (const int32_t logical : order) visual.push_back(runs[static_cast<size_t>(logical)]);
  return visual;
}

ShapingFont::ShapingFont(FT_Face face, int64_t em_64ths) {
  hb_face_t* hb_face = hb_ft_face_create_referenced(face);
  font_ = hb_font_create(hb_face);
  hb_face_destroy(hb_face);
  const int scale = static_cast<int>(em_64ths);
  hb_font_set_scale(font_, scale, scale);
}

ShapingFont::~ShapingFont() { hb_font_destroy(font_); }

void ShapingFont::Shape(std::u32string_view text, const TextRun& run,
                        std::vector<ShapedGlyph>& out) const {
  struct BufferDeleter {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
  };
  std::unique_ptr<hb_buffer_t, BufferDeleter> buffer(hb_buffer_create());
  hb_buffer_add_utf32(buffer.get(), reinterpret_cast<const uint32_t*>(text.data()),
                      static_cast<int>(text.size()), static_cast<unsigned>(run.begin),
                      static_cast<int>(run.end - run.begin));
  hb_buffer_set_direction(buffer.get(), run.rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  if (run.script != HB_SCRIPT_INVALID) {
    hb_buffer_set_script(buffer.get(), static_cast<hb_script_t>(run.script));
  }
  hb_buffer_guess_segment_properties(buffer.get());
  hb_shape(font_, buffer.get(), nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
  if (infos == nullptr || positions == nullptr) return;
  for (unsigned i = 0; i < count; ++i) {
    out.push_back(ShapedGlyph{infos[i].codepoint, positions[i].x_offset, positions[i].y_offset,
                              positions[i].x_advance});
  }
}

}  // namespace t2j
