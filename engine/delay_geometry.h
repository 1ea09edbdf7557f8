// The sizes of the delay lines, derived afresh from the parameters and the
// settled data port by every method that needs them.
#ifndef QUORBELIN_ENGINE_DELAY_GEOMETRY_H
#define QUORBELIN_ENGINE_DELAY_GEOMETRY_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

struct DelayGeometry {
    int32_t maxDelay = 0;      // Dmax
    int32_t halfLength = 0;    // H
    int32_t bufferLength = 0;  // L = Dmax + H + 1 entries per channel
    int32_t channels = 0;      // K
    int32_t frameSize = 0;     // F
    int32_t bufferWidth = 0;   // K * L entries in delayBuffer
    bool complex = false;      // data port 0 settled as complex
};

// Null when the record holds the five parameter values and the declared
// ports; otherwise the message. Every engine method reads both.
const char* undeclaredBlockMessage(const BlockRecord* record);

// Fills geometry and returns null, or returns the message why no delay line
// can be built: the block is not declared, the data port's width is not
// settled, the maximum delay is not positive, or a length does not fit the
// host's 32-bit widths. Every product is formed in 64 bits, so no overflowed
// width leaves this function.
const char* deriveDelayGeometry(const BlockRecord* record, DelayGeometry& geometry);

}  // namespace quorbelin

#endif
