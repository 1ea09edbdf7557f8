// The run-time delay state, writeIndex and delayBuffer, as it lives in the
// host's work vectors.
#ifndef QUORBELIN_ENGINE_DELAY_STATE_H
#define QUORBELIN_ENGINE_DELAY_STATE_H

#include <cstdint>

#include "bridge/block_record.h"
#include "engine/delay_geometry.h"

namespace quorbelin {

// Work vector indices.
enum WorkVectorIndex : int32_t {
    writeIndexVector = 0,
    delayBufferVector = 1,
    workVectorCount = 2
};

struct DelayState {
    int32_t* writeIndex = nullptr;  // position of the newest sample, shared by all channels
    double* buffer = nullptr;       // K buffers of L entries (doubles, or pairs when complex)
};

// Fills state from the host's work vectors and returns null when they are
// what mdlSetWorkWidths declared for this geometry and the host has given
// them storage; otherwise returns the message. Reading the widths back keeps
// every later access inside the storage the host really holds.
const char* bindDelayState(const BlockRecord* record, const DelayGeometry& geometry,
                           DelayState& state);

}  // namespace quorbelin

#endif
