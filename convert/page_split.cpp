#include "convert/page_split.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "platform/failure.h"
#include "platform/messages.h"

namespace t2j {

size_t LinesPerPage(int32_t cell_height, int32_t line_spacing, int32_t margin, int32_t max_height) {
  const int64_t pitch = int64_t{cell_height} + line_spacing;
  const int64_t one_line = int64_t{cell_height} + 2 * int64_t{margin};
  if (one_line > max_height) {
    throw Exception(
        Msg("one line with the margins is %s pixels tall, more than the %s pixels "
            "a page may take",
            {std::to_string(one_line), std::to_string(max_height)}));
  }
  if (pitch <= 0) return std::numeric_limits<size_t>::max();
  // one_line ≤ max_height, so the quotient is at least 1.
  const int64_t room = int64_t{max_height} + line_spacing - 2 * int64_t{margin};
  return static_cast<size_t>(room / pitch);
}

std::vector<std::vector<std::string>> SplitPages(std::vector<std::string> lines,
                                                 size_t lines_per_page) {
  lines_per_page = std::max<size_t>(lines_per_page, 1);
  std::vector<std::vector<std::string>> pages;
  size_t start = 0;
  do {
    const size_t end = start + std::min(lines_per_page, lines.size() - start);
    pages.emplace_back(std::make_move_iterator(lines.begin() + static_cast<ptrdiff_t>(start)),
                       std::make_move_iterator(lines.begin() + static_cast<ptrdiff_t>(end)));
    start = end;
  } while (start < lines.size());
  return pages;
}

}  // namespace t2j
