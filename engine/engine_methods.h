// The delay engine's block methods. Each takes the record first, returns
// nothing, and reports a failure only through root->errorMessage.
#ifndef QUORBELIN_ENGINE_ENGINE_METHODS_H
#define QUORBELIN_ENGINE_ENGINE_METHODS_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

// [negotiation done] Declares the two work vectors, writeIndex and
// delayBuffer, from the settled widths and complexity.
void mdlSetWorkWidths(BlockRecord* record);
// [start] Checks the settled configuration against the parameters and
// publishes the block's record in userData (engine/start_record.h): the
// initial conditions' shape and what the output call needs from the fixed
// parameters.
void mdlStart(BlockRecord* record);
// [start, after mdlStart] Loads writeIndex and every channel's delay line.
void mdlInitializeConditions(BlockRecord* record);
// [run time, no allocation] Delays one frame of every channel.
void mdlComputeOutputs(BlockRecord* record, int32_t task);
// [end] Frees the block's record.
void mdlRelease(BlockRecord* record);

}  // namespace quorbelin

#endif
