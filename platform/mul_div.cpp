#include "platform/mul_div.h"

#include <cstdlib>
#include <limits>

namespace t2j {

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  // |product| < 2^62 and |denominator| >= 1, so neither the sum nor the quotient can overflow.
  const int64_t magnitude = std::llabs(product);
  const int64_t divisor = std::llabs(static_cast<int64_t>(denominator));
  int64_t quotient = (magnitude + divisor / 2) / divisor;
  if ((product < 0) != (denominator < 0)) quotient = -quotient;
  if (quotient > std::numeric_limits<int32_t>::max() ||
      quotient < std::numeric_limits<int32_t>::min()) {
    return -1;
  }
  return static_cast<int32_t>(quotient);
}

}  // namespace t2j
