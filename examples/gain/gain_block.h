// The gain block's methods, as the entry point installs and dispatches
// them. Each takes the record first, reports a failure by storing a
// constant text in root->errorMessage, and keeps nothing outside the record.
#ifndef GAIN_BLOCK_H
#define GAIN_BLOCK_H

#include <cstdint>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace gain {

// The name the host gives the block: its file is gain.so.
inline constexpr const char* blockName = "gain";

// Size query: one parameter, one input, one output, port-based sample times.
void mdlDeclareSizes(BlockRecord* record);
// Whenever the host asks (code 112), and from the declaration.
void mdlCheckParameters(BlockRecord* record);

// Negotiation: the output follows the input and the other way round.
void mdlSetInputPortWidth(BlockRecord* record, int32_t port, int32_t width);
void mdlSetOutputPortWidth(BlockRecord* record, int32_t port, int32_t width);
void mdlSetInputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity);
void mdlSetOutputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity);
void mdlSetInputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset);
void mdlSetOutputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset);
void mdlCheckSampleTimes(BlockRecord* record);

// Start: no work vectors, nothing to set up or to release.
void mdlSetWorkWidths(BlockRecord* record);
void mdlStart(BlockRecord* record);
void mdlInitializeConditions(BlockRecord* record);
void mdlRelease(BlockRecord* record);

// Run time, once per sample hit: output = gain x input. Allocates nothing
// and stores no message.
void mdlComputeOutputs(BlockRecord* record, int32_t task);

// The slots the host may call and a block without variable sample times or
// zero crossings answers with a refusal.
void nextVariableHitStub(BlockRecord* record);
void zeroCrossingsStub(BlockRecord* record);

}  // namespace gain

#endif
