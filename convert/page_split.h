// A long text split into pages of a bounded height, at line boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace t2j {

// The most lines that one page of at most `max_height` rows holds when every page has the
// picture's geometry with its own margins: the largest k with
// k × (cell_height + line_spacing) − line_spacing + 2 × margin ≤ max_height, or SIZE_MAX when
// a page does not grow taller with more lines. Fails with Exception when a page of one line is
// taller than `max_height`.
size_t LinesPerPage(int32_t cell_height, int32_t line_spacing, int32_t margin, int32_t max_height);

// The lines in pages of `lines_per_page` (at least 1) lines each, the last page holding the
// rest. No lines give one page without lines.
std::vector<std::vector<std::string>> SplitPages(std::vector<std::string> lines,
                                                 size_t lines_per_page);

}  // namespace t2j
