// The input box's lines, and GB18030 input cut into pieces anywhere.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "convert/input_lines.h"
#include "platform/gb18030.h"

namespace {

void CheckLines(std::string_view text) {
  const std::vector<std::string> lines = t2j::InputLines(text);
  size_t start = 0;
  for (const std::string& line : lines) {
    if (start > text.size()) std::abort();
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    const std::string_view whole = text.substr(start, end - start);
    // Each line is the start of the text's line, cut at most to the byte limit, never inside a
    // character that fits.
    if (!whole.starts_with(line)) std::abort();
    if (t2j::Gb18030Length(line) > t2j::kMaxLineBytes) std::abort();
    if (line.size() < whole.size() &&
        t2j::Gb18030PrefixLength(whole, t2j::kMaxLineBytes) != line.size()) {
      std::abort();
    }
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  // Only the empty line after the last break is left out.
  if (start < text.size()) std::abort();
}

// The same bytes decoded whole and in two pieces cut at `cut` agree, in text and in failure.
void CheckGb18030Cut(std::string_view bytes, size_t cut) {
  t2j::Gb18030Decoder whole;
  std::string whole_text;
  const bool whole_ok = whole.Decode(bytes, true, whole_text);
  t2j::Gb18030Decoder pieces;
  std::string pieces_text;
  const bool pieces_ok = pieces.Decode(bytes.substr(0, cut), false, pieces_text) &&
                         pieces.Decode(bytes.substr(cut), true, pieces_text);
  if (whole_ok != pieces_ok) std::abort();
  if (!whole_ok) {
    if (whole.InvalidOffset() != pieces.InvalidOffset()) std::abort();
    if (whole.InvalidOffset() >= bytes.size() && bytes.size() > 0) std::abort();
    return;
  }
  if (whole_text != pieces_text || !t2j::IsValidUtf8(whole_text)) std::abort();
  if (t2j::Gb18030ToUtf8(bytes) != whole_text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckGb18030Cut(bytes, std::min<size_t>(data[0], bytes.size()));
  const size_t valid = t2j::ValidUtf8Prefix(bytes);
  CheckLines(bytes.substr(0, valid));
  return 0;
}
