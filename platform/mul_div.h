#pragma once

#include <cstdint>

namespace t2j {

// number × numerator ÷ denominator with a 64-bit intermediate, rounded to the nearest integer
// with halves away from zero. Gives -1 when the denominator is 0 or the result does not fit into
// 32 bits, as the Windows function of that name does.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

}  // namespace t2j
