// Guarded arithmetic on the signed 32-bit counts, indexes, row and column numbers read from
// files. Every operation raises OverflowError "over- or underflow" instead of wrapping.
#pragma once

#include <cstdint>

#include "base/errors.h"

namespace ledgerine::base {

inline int32_t checkedAdd(int32_t a, int32_t b) {
    int64_t r = int64_t{a} + int64_t{b};
    if (r < INT32_MIN || r > INT32_MAX) throw overflowError();
    return static_cast<int32_t>(r);
}

inline int32_t checkedSub(int32_t a, int32_t b) {
    int64_t r = int64_t{a} - int64_t{b};
    if (r < INT32_MIN || r > INT32_MAX) throw overflowError();
    return static_cast<int32_t>(r);
}

inline int32_t checkedMul(int32_t a, int32_t b) {
    int64_t r = int64_t{a} * int64_t{b};
    if (r < INT32_MIN || r > INT32_MAX) throw overflowError();
    return static_cast<int32_t>(r);
}

} // namespace ledgerine::base
