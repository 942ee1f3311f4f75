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

bool IsClosingPunctuation(UChar32 c) {
  switch (c) {
    case 0xFF0C:  // ，
    case 0x3002:  // 。
    case 0x3001:  // 、
    case 0xFF1B:  // ；
    case 0xFF1A:  // ：
    case 0xFF1F:  // ？
    case 0xFF01:  // ！
    case 0xFF09:  // ）
    case 0x300B:  // 》
    case 0x300D:  // 」
    case 0x300F:  // 』
    case 0x3011:  // 】
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

bool IsOpeningPunctuation(UChar32 c) {
  switch (c) {
    case 0xFF08:  // （
    case 0x300A:  // 《
    case 0x300C:  // 「
    case 0x300E:  // 『
    case 0x3010:  // 【
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

bool IsHan(UChar32 c) {
  UErrorCode status = U_ZERO_ERROR;
  return c >= 0x2E80 && uscript_getScript(c, &status) == USCRIPT_HAN && U_SUCCESS(status);
}

bool IsBreakSpace(std::string_view text, size_t pos, size_t& length) {
  if (text[pos] == ' ') {
    length = 1;
    return true;
  }
  if (text.substr(pos, 3) == "\xE3\x80\x80") {  // U+3000
    length = 3;
    return true;
  }
  return false;
}

size_t SkipSpaces(std::string_view text, size_t pos) {
  size_t length = 0;
  while (pos < text.size() && IsBreakSpace(text, pos, length)) pos += length;
  return pos;
}

size_t TrimSpaces(std::string_view text, size_t begin, size_t end) {
  while (end > begin) {
    if (text[end - 1] == ' ') {
      --end;
    } else if (end - begin >= 3 && text.substr(end - 3, 3) == "\xE3\x80\x80") {
      end -= 3;
    } else {
      break;
    }
  }
  return end;
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

class Wrapper {
 public:
  Wrapper(const TextFont& font, int64_t max_width)
      : font_(font),
        max_width_(max_width),
        lines_(OpenBreakIterator(UBRK_LINE)),
        clusters_(OpenBreakIterator(UBRK_CHARACTER)) {}

  void Wrap(std::string_view text, std::vector<std::string>& out) {
    if (text.empty() || Fits(text)) {
      out.emplace_back(text);
      return;
    }
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - 4)) {
      throw Exception(Msg("cannot break a line of %s bytes; lines are broken up to 2 GiB",
                          {std::to_string(text.size())}));
    }
    if (SkipSpaces(text, 0) == text.size()) {
      out.emplace_back();
      return;
    }
    FindBoundaries(text);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = LastFitting(text, start, breaks_);
      if (end == 0) end = LastFitting(text, start, loose_breaks_);
      if (end == 0) end = LastFitting(text, start, clusters_at_);
      if (end == 0) FailTooNarrow(text, start);
      const size_t trimmed =
          end == text.size() && Fits(text.substr(start)) ? end : TrimSpaces(text, start, end);
      out.emplace_back(text.substr(start, trimmed - start));
      start = SkipSpaces(text, end);
    }
  }

 private:
  bool Fits(std::string_view piece) const { return font_.Measure(piece).cx <= max_width_; }

  // Fills breaks_ with the opportunities the rules allow, loose_breaks_ with the cluster
  // boundaries that keep the punctuation rules and clusters_at_ with every cluster boundary;
  // each ends with the text's end.
  void FindBoundaries(std::string_view text) {
    breaks_.clear();
    loose_breaks_.clear();
    clusters_at_.clear();
    UErrorCode status = U_ZERO_ERROR;
    TextPtr utext(utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
    std::vector<uint8_t> unicode_break(text.size() + 1, 0);
    std::vector<uint8_t> cluster_start(text.size() + 1, 0);
    cluster_start[text.size()] = 1;
    if (U_SUCCESS(status)) {
      ubrk_setUText(lines_.get(), utext.get(), &status);
      for (int32_t at = ubrk_first(lines_.get()); U_SUCCESS(status) && at != UBRK_DONE;
           at = ubrk_next(lines_.get())) {
        if (at >= 0 && static_cast<size_t>(at) <= text.size()) unicode_break[at] = 1;
      }
      ubrk_setUText(clusters_.get(), utext.get(), &status);
      for (int32_t at = ubrk_first(clusters_.get()); U_SUCCESS(status) && at != UBRK_DONE;
           at = ubrk_next(clusters_.get())) {
        if (at >= 0 && static_cast<size_t>(at) <= text.size()) cluster_start[at] = 1;
      }
    }
    if (U_FAILURE(status)) {
      throw Exception(Msg("cannot break lines: %s", {u_errorName(status)}));
    }

    UChar32 before = -1;
    size_t pos = 0;
    const auto length = static_cast<int32_t>(text.size());
    while (true) {
      int32_t next = static_cast<int32_t>(pos);
      UChar32 after = -1;
      if (pos < text.size()) U8_NEXT(text.data(), next, length, after);
      if (pos > 0 && cluster_start[pos]) {
        const bool end = pos == text.size();
        const bool kept = end || !(IsClosingPunctuation(after) || IsOpeningPunctuation(before));
        const bool han = (IsHan(before) || IsClosingPunctuation(before)) &&
                         (IsHan(after) || IsOpeningPunctuation(after));
        clusters_at_.push_back(pos);
        if (kept) loose_breaks_.push_back(pos);
        if (kept && (unicode_break[pos] || han)) breaks_.push_back(pos);
      }
      if (pos == text.size()) break;
      before = after;
      pos = static_cast<size_t>(next);
    }
  }

  // The last boundary after `start` where the piece from `start`, less its trailing spaces, has
  // something besides spaces and fits; 0 when there is none. Widths grow with the piece, so the
  // search gallops from `start` and then halves, measuring pieces of about a line's length.
  size_t LastFitting(std::string_view text, size_t start, const std::vector<size_t>& boundaries) {
    auto it = std::upper_bound(boundaries.begin(), boundaries.end(), start);
    while (it != boundaries.end() && TrimSpaces(text, start, *it) == start) ++it;
    const size_t first = static_cast<size_t>(it - boundaries.begin());
    auto fits = [&](size_t i) {
      const size_t end = TrimSpaces(text, start, boundaries[i]);
      return Fits(text.substr(start, end - start));
    };
    if (first == boundaries.size() || !fits(first)) return 0;
    size_t good = first;  // fits
    size_t step = 1;
    size_t bad = boundaries.size();  // does not fit, or past the end
    while (good + step < boundaries.size()) {
      if (!fits(good + step)) {
        bad = good + step;
        break;
      }
      good += step;
      step *= 2;
    }
    while (bad - good > 1) {
      const size_t middle = good + (bad - good) / 2;
      if (fits(middle)) {
        good = middle;
      } else {
        bad = middle;
      }
    }
    return boundaries[good];
  }

  [[noreturn]] void FailTooNarrow(std::string_view text, size_t start) {
    const size_t begin = SkipSpaces(text, start);
    auto it = std::upper_bound(clusters_at_.begin(), clusters_at_.end(), begin);
    const size_t end = it == clusters_at_.end() ? text.size() : *it;
    const std::string_view cluster = text.substr(begin, end - begin);
    throw ETooNarrow("“" + std::string(cluster) + "” is " +
                     std::to_string(font_.Measure(cluster).cx) + " pixels wide, more than the " +
                     std::to_string(max_width_) + " pixels a line may take");
  }

  const TextFont& font_;
  int64_t max_width_;
  BreakIteratorPtr lines_;
  BreakIteratorPtr clusters_;
  std::vector<size_t> breaks_;
  std::vector<size_t> loose_breaks_;
  std::vector<size_t> clusters_at_;
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
