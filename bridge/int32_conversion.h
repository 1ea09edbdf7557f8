// The one conversion from double to a 32-bit signed integer. Flags, method
// codes, parameters and delay values all pass through it, so it is defined
// for every double: truncation toward zero, NaN gives 0, and values beyond the
// 32-bit range saturate. "Equals its own truncation" is then the integer test.
#ifndef QUORBELIN_BRIDGE_INT32_CONVERSION_H
#define QUORBELIN_BRIDGE_INT32_CONVERSION_H

#include <cstdint>
#include <limits>

namespace quorbelin {

inline int32_t truncateToInt32(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// True for a value that is a 32-bit signed integer: fractions, NaN, the
// infinities and values outside the range fail, -0.0 passes.
inline bool isInt32(double value) {
    return static_cast<double>(truncateToInt32(value)) == value;
}

}  // namespace quorbelin

#endif
