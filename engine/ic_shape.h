// The shape of the initial conditions, reduced at start so that loading the
// delay lines needs no further analysis of the parameter array.
#ifndef QUORBELIN_ENGINE_IC_SHAPE_H
#define QUORBELIN_ENGINE_IC_SHAPE_H

#include <cstdint>

namespace quorbelin {

// The first field of the block's record in userData (engine/start_record.h).
// (1, 1): one value for everything; (K, 1): one value per channel;
// (K, Dmax): one value per channel and delay position.
struct ICShape {
    int32_t icChannels;
    int32_t icDepth;
};

// Reduces an initial-condition array of at most three dimensions (r x c or
// r x c x p) for K channels and a maximum delay D. The first rule that fits
// decides: at most one element; r * c = K (with p = D when there is a third
// dimension); r = K and c = D. Fills shape and returns null, or returns the
// message that says which form was expected.
const char* reduceICShape(int32_t elementCount, int32_t dimensionCount, const int32_t* dimensions,
                          int32_t channels, int32_t maxDelay, ICShape& shape);

}  // namespace quorbelin

#endif
