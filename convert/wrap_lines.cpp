#include "convert/wrap_lines.h"
#include "platform/messages.h"

#include <unicode/ubrk.h>
#include <unicode/uscript.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace t2j {
namespace {

// Closing brackets and quotes, stops, commas and the like: never at the start of a line, and a
// line may break after them before Han text.
bool IsClosingPunctuation(UChar32 c) {
  switch (c) {
    case 0xFF0C:  // ，
    case 0x3002:  // 。
    case 0xFF0E:  // ．
    case 0x3001:  // 、
    case 0xFF1B:  // ；
    case 0xFF1A:  // ：
    case 0xFF1F:  // ？
    case 0xFF01:  // ！
    case 0x203C:  // ‼
    case 0x2047:  // ⁇
    case 0x2048:  // ⁈
    case 0x2049:  // ⁉
    case 0xFF09:  // ）
    case 0x3015:  // 〕
    case 0xFF3D:  // ］
    case 0xFF5D:  // ｝
    case 0x3009:  // 〉
    case 0x300B:  // 》
    case 0x300D:  // 」
    case 0x300F:  // 』
    case 0x3011:  // 】
    case 0x3017:  // 〗
    case 0x3019:  // 〙
    case 0x301F:  // 〟
    case 0xFF60:  // ｠
    case 0x201D:  // ”
    case 0x2019:  // ’
    case ',':
    case '.':
    case ';':
    case ':':
    case '?':
    case '!':
    case ')':
    case ']':
    case '}':
    case 0xFF61:  // ｡
    case 0xFF63:  // ｣
    case 0xFF64:  // ､
      return true;
    default:
      return false;
  }
}

bool IsSmallKana(UChar32 c) {
  switch (c) {
    case 0x3041:  // ぁ
    case 0x3043:
    case 0x3045:
    case 0x3047:
    case 0x3049:
    case 0x3063:  // っ
    case 0x3083:  // ゃ
    case 0x3085:
    case 0x3087:
    case 0x308E:  // ゎ
    case 0x3095:  // ゕ
    case 0x3096:
    case 0x30A1:  // ァ
    case 0x30A3:
    case 0x30A5:
    case 0x30A7:
    case 0x30A9:
    case 0x30C3:  // ッ
    case 0x30E3:  // ャ
    case 0x30E5:
    case 0x30E7:
    case 0x30EE:  // ヮ
    case 0x30F5:  // ヵ
    case 0x30F6:
      return true;
    default:
      return (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF67 && c <= 0xFF6F);  // ㇰ…ㇿ, ｧ…ｯ
  }
}

// Characters that may not start a line: closing punctuation, middle dots, connectors and
// separators, iteration marks, the prolonged sound mark and small kana.
bool MayNotStartLine(UChar32 c) {
  if (IsClosingPunctuation(c) || IsSmallKana(c)) return true;
  switch (c) {
    case 0x00B7:  // ·
    case 0x2027:  // ‧
    case 0x30FB:  // ・
    case 0xFF65:  // ･
    case 0x2010:  // ‐
    case 0x2013:  // –
    case 0x301C:  // 〜
    case 0xFF5E:  // ～
    case 0x30A0:  // ゠
    case 0xFF0F:  // ／
    case 0x3005:  // 々
    case 0x303B:  // 〻
    case 0x309D:  // ゝ
    case 0x309E:  // ゞ
    case 0x30FD:  // ヽ
    case 0x30FE:  // ヾ
    case 0x30FC:  // ー
    case 0xFF70:  // ｰ
      return true;
    default:
      return false;
  }
}

// Opening brackets and quotes: never at the end of a line.
bool IsOpeningPunctuation(UChar32 c) {
  switch (c) {
    case 0xFF08:  // （
    case 0x3014:  // 〔
    case 0xFF3B:  // ［
    case 0xFF5B:  // ｛
    case 0x3008:  // 〈
    case 0x300A:  // 《
    case 0x300C:  // 「
    case 0x300E:  // 『
    case 0x3010:  // 【
    case 0x3016:  // 〖
    case 0x3018:  // 〘
    case 0x301D:  // 〝
    case 0xFF5F:  // ｟
    case 0x201C:  // “
    case 0x2018:  // ‘
    case '(':
    case '[':
    case '{':
    case 0xFF62:  // ｢
      return true;
    default:
      return false;
  }
}

// Dashes and ellipses written as two characters (—— ……) stay together.
bool IsInseparablePair(UChar32 before, UChar32 after) {
  if (before != after) return false;
  switch (before) {
    case 0x2014:  // —
    case 0x2015:  // ―
    case 0x2025:  // ‥
    case 0x2026:  // …
    case 0x22EF:  // ⋯
      return true;
    default:
      return false;
  }
}

bool IsHan(UChar32 c) {
  UErrorCode status = U_ZERO_ERROR;
  return c >= 0x2E80 && uscript_getScript(c, &status) == USCRIPT_HAN && U_SUCCESS(status);
}

bool IsAllSpaces(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    if (text[pos] == ' ') {
      ++pos;
    } else if (text.substr(pos, 3) == "\xE3\x80\x80") {  // U+3000
      pos += 3;
    } else {
      return false;
    }
  }
  return true;
}

struct BreakIteratorCloser {
  void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
using BreakIteratorPtr = std::unique_ptr<UBreakIterator, BreakIteratorCloser>;

struct TextCloser {
  void operator()(UText* text) const { utext_close(text); }
};
using TextPtr = std::unique_ptr<UText, TextCloser>;

BreakIteratorPtr OpenBreakIterator(UBreakIteratorType type) {
  UErrorCode status = U_ZERO_ERROR;
  BreakIteratorPtr iterator(ubrk_open(type, "zh", nullptr, 0, &status));
  if (U_FAILURE(status) || iterator == nullptr) {
    throw Exception(
        Msg("cannot break lines: ICU has no line-breaking rules (%s)", {u_errorName(status)}));
  }
  return iterator;
}

// Opening ICU's rules costs many times more than breaking a line, and the lines of a picture
// come to be wrapped one at a time, so each thread keeps its iterators. A thread wraps one text
// at a time.
UBreakIterator* ThreadBreakIterator(UBreakIteratorType type) {
  thread_local BreakIteratorPtr lines;
  thread_local BreakIteratorPtr clusters;
  BreakIteratorPtr& iterator = type == UBRK_LINE ? lines : clusters;
  if (!iterator) iterator = OpenBreakIterator(type);
  return iterator.get();
}

// Content is measured in pieces of about this many bytes while a line is searched for, so that a
// run without break opportunities costs no more than the lines it makes.
constexpr size_t kPieceBytes = 64;

// The rules that a word too wide for a line is cut by: all of them, only those of closing and
// opening punctuation, or none.
enum class Rules { kAll, kPunctuation, kNone };

class Wrapper {
 public:
  Wrapper(const TextFont& font, int64_t max_width)
      : font_(font),
        max_width_(max_width),
        lines_(ThreadBreakIterator(UBRK_LINE)),
        clusters_(ThreadBreakIterator(UBRK_CHARACTER)) {}

  void Wrap(std::string_view text, std::vector<std::string>& out) {
    if (text.empty() || Fits(text)) {
      out.emplace_back(text);
      return;
    }
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - 4)) {
      throw Exception(Msg("cannot break a line of %s bytes; lines are broken up to 2 GiB",
                          {std::to_string(text.size())}));
    }
    if (IsAllSpaces(text)) {
      out.emplace_back();
      return;
    }
    Attach(text);
    size_t start = 0;
    bool indent_dropped = false;
    while (start < text_.size()) {
      Walk(start);
      size_t end = 0;
      size_t next = 0;
      if (!ChooseBreak(start, end, next)) {
        if (IsSpaceAt(start)) {  // spaces that leave no room for the first word
          start = SkipSpaces(start);
          indent_dropped = true;
          continue;
        }
        if (!ChooseCut(start, Rules::kAll, end) && !ChooseCut(start, Rules::kPunctuation, end) &&
            !ChooseCut(start, Rules::kNone, end)) {
          FailTooNarrow(start);
        }
        next = end;
      }
      // A line that fits whole once its leading spaces are gone keeps as many of them as fit, so
      // that a line set to the right, a signature, stays at the right.
      if (indent_dropped && next == text_.size()) start = KeptSpaces(start, end);
      indent_dropped = false;
      out.emplace_back(text_.substr(start, end - start));
      start = SkipSpaces(next);
    }
  }

 private:
  // A run of the walked text that is all spaces or has none, and its width estimated from the
  // walk's start: the measured widths of the runs before it.
  struct Piece {
    size_t begin;
    size_t end;
    int64_t before;
    bool spaces;
  };
  // A break opportunity met on the walk: the line would end at `content_end` (its trailing
  // spaces left out), estimated `content_width` wide, or `width` wide with the spaces.
  struct Candidate {
    size_t at;
    size_t content_end;
    int64_t content_width;
    int64_t width;
  };

  int64_t Width(size_t begin, size_t end) const {
    return font_.Measure(text_.substr(begin, end - begin)).cx;
  }
  bool Fits(std::string_view piece) const { return font_.Measure(piece).cx <= max_width_; }
  bool FitsExactly(size_t begin, size_t end) const { return Width(begin, end) <= max_width_; }

  void Attach(std::string_view text) {
    text_ = text;
    UErrorCode status = U_ZERO_ERROR;
    utext_.reset(utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
    if (U_SUCCESS(status)) ubrk_setUText(lines_, utext_.get(), &status);
    if (U_SUCCESS(status)) ubrk_setUText(clusters_, utext_.get(), &status);
    if (U_FAILURE(status)) {
      throw Exception(Msg("cannot break lines: %s", {u_errorName(status)}));
    }
    line_break_from_ = 0;
    line_break_next_ = 0;
  }

  // The end of the grapheme cluster that starts at `pos`.
  size_t NextCluster(size_t pos) const {
    const int32_t next = ubrk_following(clusters_, static_cast<int32_t>(pos));
    if (next == UBRK_DONE || next <= static_cast<int32_t>(pos)) return text_.size();
    return std::min(static_cast<size_t>(next), text_.size());
  }

  // The first of ICU's line-break opportunities after `pos`. The answer is kept, so that a long
  // run without opportunities is scanned once rather than once for each line cut from it.
  size_t NextLineBreak(size_t pos) {
    if (pos < line_break_from_ || pos >= line_break_next_) {
      const int32_t next = ubrk_following(lines_, static_cast<int32_t>(pos));
      line_break_from_ = pos;
      line_break_next_ = next == UBRK_DONE || next <= static_cast<int32_t>(pos)
                             ? text_.size()
                             : std::min(static_cast<size_t>(next), text_.size());
    }
    return line_break_next_;
  }

  UChar32 CharAt(size_t pos) const {
    if (pos >= text_.size()) return -1;
    int32_t at = static_cast<int32_t>(pos);
    UChar32 c = -1;
    U8_NEXT(text_.data(), at, static_cast<int32_t>(text_.size()), c);
    return c;
  }

  bool IsSpaceCluster(size_t begin, size_t end) const {
    return (end - begin == 1 && text_[begin] == ' ') ||
           (end - begin == 3 && text_.substr(begin, 3) == "\xE3\x80\x80");
  }
  bool IsSpaceAt(size_t pos) const {
    return pos < text_.size() && IsSpaceCluster(pos, NextCluster(pos));
  }
  size_t SkipSpaces(size_t pos) const {
    while (pos < text_.size()) {
      const size_t next = NextCluster(pos);
      if (!IsSpaceCluster(pos, next)) break;
      pos = next;
    }
    return pos;
  }

  // Whether a line may end between the cluster that starts at `previous` and the one at `at`
  // by the rules, and whether it is an opportunity.
  bool Kept(size_t previous, size_t at, Rules rules = Rules::kAll) const {
    const UChar32 before = CharAt(previous);
    const UChar32 after = CharAt(at);
    switch (rules) {
      case Rules::kAll:
        return !(MayNotStartLine(after) || IsOpeningPunctuation(before) ||
                 IsInseparablePair(before, after));
      case Rules::kPunctuation:
        return !(IsClosingPunctuation(after) || IsOpeningPunctuation(before));
      case Rules::kNone:
        break;
    }
    return true;
  }
  bool IsBreak(size_t previous, size_t at) {
    if (at == text_.size()) return true;
    if (!Kept(previous, at)) return false;
    const UChar32 before = CharAt(previous);
    const UChar32 after = CharAt(at);
    const bool han = (IsHan(before) || IsClosingPunctuation(before)) &&
                     (IsHan(after) || IsOpeningPunctuation(after));
    return han || NextLineBreak(previous) == at;
  }

  // Walks from `start` cluster by cluster, measuring runs of at most kPieceBytes that end at
  // every opportunity and every edge between spaces and other text, and records the
  // opportunities, until the text without trailing spaces is wider than the line or the text
  // ends. Every run is measured once for each line searched, and only as far as the line reaches.
  void Walk(size_t start) {
    pieces_.clear();
    candidates_.clear();
    int64_t width = 0;
    int64_t content_width = 0;
    size_t content_end = start;
    size_t piece_begin = start;
    size_t at = start;
    size_t end = NextCluster(at);
    bool spaces = IsSpaceCluster(at, end);
    while (true) {
      const bool last = end == text_.size();
      size_t following = end;
      bool following_spaces = spaces;
      if (!last) {
        following = NextCluster(end);
        following_spaces = IsSpaceCluster(end, following);
      }
      const bool is_break = IsBreak(at, end);
      if (last || is_break || following_spaces != spaces ||
          (!spaces && end - piece_begin >= kPieceBytes)) {
        pieces_.push_back(Piece{piece_begin, end, width, spaces});
        width += std::max<int64_t>(0, Width(piece_begin, end));
        if (!spaces) {
          content_end = end;
          content_width = width;
        }
        piece_begin = end;
        if (is_break && content_end > start) {
          if (!candidates_.empty() && candidates_.back().content_end == content_end) {
            candidates_.pop_back();
          }
          candidates_.push_back(Candidate{end, content_end, content_width, width});
        }
        if (content_width > max_width_ || last) return;
      }
      at = end;
      end = following;
      spaces = following_spaces;
    }
  }

  // The line from `start` that ends at the last opportunity that fits, as measured whole: its
  // `end` and where the next line is looked for. False when none fits.
  bool ChooseBreak(size_t start, size_t& end, size_t& next) const {
    auto fits = [&](size_t i) { return FitsExactly(start, candidates_[i].content_end); };
    size_t count = 0;  // candidates [0, count) fit by their estimates
    while (count < candidates_.size() && candidates_[count].content_width <= max_width_) ++count;
    size_t chosen = candidates_.size();  // none yet
    if (count > 0) {
      const Candidate& estimated = candidates_[count - 1];
      const int64_t exact = Width(start, estimated.content_end);
      if (exact <= max_width_) {
        chosen = count - 1;
        // Shaping across the pieces can make a line narrower than its pieces.
        if (exact != estimated.content_width && count < candidates_.size() && fits(count)) {
          chosen = count;
        }
      } else {
        chosen = LastFitting(0, count - 1, fits);
      }
    } else if (!candidates_.empty() && fits(0)) {
      chosen = 0;
    }
    if (chosen == candidates_.size()) return false;
    const Candidate& candidate = candidates_[chosen];
    end = candidate.content_end;
    next = candidate.at;
    // The end of the text keeps its spaces when they fit.
    if (candidate.at == text_.size() && candidate.content_end < candidate.at &&
        candidate.width <= max_width_ && FitsExactly(start, candidate.at)) {
      end = candidate.at;
    }
    return true;
  }

  // The last index in [first, last) for which `fits` holds, found by halving, or the number of
  // candidates when none does. `fits` must hold for a prefix of the range.
  template <typename Fits>
  size_t LastFitting(size_t first, size_t last, const Fits& fits) const {
    size_t good = first;
    size_t bad = last;
    if (first == last || !fits(first)) return candidates_.size();
    while (bad - good > 1) {
      const size_t middle = good + (bad - good) / 2;
      if (fits(middle)) {
        good = middle;
      } else {
        bad = middle;
      }
    }
    return good;
  }

  // When no opportunity fits: the line from `start` ends at the last cluster boundary that fits,
  // keeping `rules`. False when not even one cluster fits.
  bool ChooseCut(size_t start, Rules rules, size_t& end) const {
    // Boundaries inside the walked runs, from the last run backwards; only the last is wider
    // than the line.
    for (size_t i = pieces_.size(); i-- > 0;) {
      const Piece& piece = pieces_[i];
      const bool last = i + 1 == pieces_.size();
      if (piece.spaces) {
        // The line ends before the spaces. Between two spaces it always may, at their end as the
        // rules say.
        const size_t final_space = text_[piece.end - 1] == ' ' ? piece.end - 1 : piece.end - 3;
        if (piece.begin > start && (final_space > piece.begin || piece.end == text_.size() ||
                                    Kept(final_space, piece.end, rules))) {
          end = piece.begin;
          return FitsExactly(start, end) || SettleCut(start, rules, end);
        }
        continue;
      }
      size_t found = 0;
      for (size_t at = piece.begin, next = NextCluster(at); next <= piece.end;
           at = next, next = next < text_.size() ? NextCluster(next) : text_.size() + 1) {
        if (last && piece.before + Width(piece.begin, next) > max_width_) break;
        if (next == text_.size() || Kept(at, next, rules)) found = next;
      }
      if (found > start) {
        end = found;
        return FitsExactly(start, end) || SettleCut(start, rules, end);
      }
    }
    return false;
  }

  // The estimate of `end` was too wide when measured whole: halves over the boundaries before it.
  bool SettleCut(size_t start, Rules rules, size_t& end) const {
    std::vector<size_t> boundaries;
    for (size_t at = start, next = NextCluster(at); next < end; at = next, next = NextCluster(at)) {
      if (!IsSpaceCluster(at, next) && Kept(at, next, rules)) boundaries.push_back(next);
    }
    size_t good = 0;
    size_t bad = boundaries.size();
    if (boundaries.empty() || !FitsExactly(start, boundaries[0])) return false;
    while (bad - good > 1) {
      const size_t middle = good + (bad - good) / 2;
      if (FitsExactly(start, boundaries[middle])) {
        good = middle;
      } else {
        bad = middle;
      }
    }
    end = boundaries[good];
    return true;
  }

  // The start of the leading spaces before `text_start` that still fit with the line up to `end`.
  size_t KeptSpaces(size_t text_start, size_t end) const {
    int64_t room = max_width_ - Width(text_start, end);
    size_t at = text_start;
    while (at > 0) {
      const size_t space = text_[at - 1] == ' ' ? at - 1 : at - 3;  // U+0020 or U+3000
      const int64_t width = Width(space, at);
      if (width > room) break;
      room -= width;
      at = space;
    }
    return at == text_start || FitsExactly(at, end) ? at : text_start;
  }

  [[noreturn]] void FailTooNarrow(size_t start) const {
    const size_t end = NextCluster(start);
    // One cluster can be a whole chain of joined emoji; the message quotes only its start.
    constexpr size_t kMostQuotedBytes = 64;
    std::string quoted(text_.substr(start, end - start));
    if (quoted.size() > kMostQuotedBytes) {
      size_t cut = kMostQuotedBytes;
      while (cut > 0 && (static_cast<unsigned char>(quoted[cut]) & 0xC0) == 0x80) --cut;
      quoted.resize(cut);
      quoted += "…";
    }
    throw ETooNarrow(Msg("“%s” is %s pixels wide, more than the %s pixels a line may take",
                         {quoted, std::to_string(Width(start, end)),
                          std::to_string(max_width_)}));
  }

  const TextFont& font_;
  int64_t max_width_;
  UBreakIterator* lines_;
  UBreakIterator* clusters_;
  TextPtr utext_;
  std::string_view text_;
  size_t line_break_from_ = 0;
  size_t line_break_next_ = 0;
  std::vector<Piece> pieces_;
  std::vector<Candidate> candidates_;
};

}  // namespace

std::vector<std::string> WrapLines(const std::vector<std::string>& lines, const TextFont& font,
                                   int64_t max_width) {
  Wrapper wrapper(font, max_width);
  std::vector<std::string> wrapped;
  wrapped.reserve(lines.size());
  for (const std::string& line : lines) wrapper.Wrap(line, wrapped);
  return wrapped;
}

}  // namespace t2j
