#include "engine/ic_shape.h"

#include "engine/engine_messages.h"

namespace quorbelin {

const char* reduceICShape(int32_t elementCount, int32_t dimensionCount, const int32_t* dimensions,
                          int32_t channels, int32_t maxDelay, ICShape& shape) {
    if (elementCount <= 1) {
        shape = {1, 1};
        return nullptr;
    }
    const int32_t rows = dimensions[0];
    const int32_t columns = dimensions[1];
    // In 64 bits: an array's leading dimensions may multiply past 32 bits.
    const int64_t leading = int64_t{rows} * columns;
    if (leading == channels) {
        if (dimensionCount < 3) {
            shape = {channels, 1};
            return nullptr;
        }
        if (dimensions[2] != maxDelay) {
            return messages::initialConditionsThirdDimension;
        }
        shape = {channels, maxDelay};
        return nullptr;
    }
    if (rows == channels && columns == maxDelay) {
        shape = {channels, maxDelay};
        return nullptr;
    }
    if (rows == 1 || columns == 1) {
        return messages::initialConditionsVector;
    }
    return messages::initialConditionsArray;
}

}  // namespace quorbelin
