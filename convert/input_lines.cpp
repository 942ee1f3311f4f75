#include "convert/input_lines.h"

#include "platform/gb18030.h"

namespace t2j {

std::vector<std::string> InputLines(std::string_view text, size_t max_line_bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    const size_t line_end = end == std::string_view::npos ? text.size() : end;
    const std::string_view line = text.substr(start, line_end - start);
    lines.emplace_back(line.size() <= max_line_bytes / 4
                           ? line
                           : line.substr(0, Gb18030PrefixLength(line, max_line_bytes)));
    if (end == std::string_view::npos) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace t2j
