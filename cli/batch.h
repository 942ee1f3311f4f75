// Many files converted at once: worker threads, each with fonts of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/font_engine.h"
#include "text/reusing_font_engine.h"

namespace t2j {

// The processors this process may run on (at least 1).
unsigned UsableProcessors();

// How one item ended: the message of what it threw (no full stop added), or the warning it
// returned (empty for none).
struct ItemOutcome {
  std::optional<std::string> failure;
  std::string warning;
};

// Converts items 0 to count − 1: `convert(i, engine)` on up to `jobs` threads (the calling thread
// among them), every thread with a font engine of its own. After each item `done(i, outcome)` is
// called, one call at a time. Whatever one item throws, the others go on. When no further thread
// can be started, the threads there are do all the work.
void ConvertInParallel(size_t count, unsigned jobs,
                       const std::function<std::string(size_t, FontEngine&)>& convert,
                       const std::function<void(size_t, const ItemOutcome&)>& done);

}  // namespace t2j
