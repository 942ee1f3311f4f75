#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// Longest line that reaches the renderer, in GB18030 bytes.
constexpr size_t kMaxLineBytes = 4096;

// The lines of the input box's text (UTF-8). Lines end at LF, CR LF or a lone CR; the empty line
// after the last break is not a line, every other empty line is; each line is cut to its longest
// prefix of at most `max_line_bytes` GB18030 bytes, never inside a character.
std::vector<std::string> InputLines(std::string_view text, size_t max_line_bytes = kMaxLineBytes);

}  // namespace t2j
