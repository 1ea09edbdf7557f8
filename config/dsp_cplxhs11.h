// Complexity propagation (module dsp_cplxhs11): input port 0 and output
// port 0 carry the same kind of values, both real or both complex. Serves a
// block with any number of ports, at least one of each.
#ifndef QUORBELIN_CONFIG_DSP_CPLXHS11_H
#define QUORBELIN_CONFIG_DSP_CPLXHS11_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

// [negotiation] Stores 1 (complexity nonzero) or 0 in the addressed port,
// then lets the still-inherited one of input 0 and output 0 take the other's
// value, or refuses two that differ; the stored value stays on a refusal.
// A port index outside the block's ports writes and reports nothing.
void setPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity, bool isOutput);

// [negotiation] setPortComplexSignal for input port `port`.
void mdlSetInputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity);
// [negotiation] setPortComplexSignal for output port `port`.
void mdlSetOutputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity);

}  // namespace quorbelin

#endif
