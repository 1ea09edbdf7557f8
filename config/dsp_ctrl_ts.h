// Port-based sample-time propagation (module dsp_ctrl_ts): every port
// carries its own sample time, and the outputs run at the rate of the first
// input whose sample time is not constant. Serves a block with any number of
// ports, at least one of each. A port is unset while its period is -1.0 and
// constant while it is +infinity; times compare as exact doubles.
#ifndef QUORBELIN_CONFIG_DSP_CTRL_TS_H
#define QUORBELIN_CONFIG_DSP_CTRL_TS_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

// [negotiation] Stores a proposed sample time in the addressed port and fills
// the outputs still unset from it and from the inputs already known. A
// proposal of (-1.0, -1.0) only marks the offsets of the unset ports. A port
// index outside the block's ports writes and reports nothing.
void setPortSampleTime(BlockRecord* record, bool isOutput, int32_t port, double period,
                       double offset);

// [negotiation] Writes (period, offset) into every unset output, in index
// order; outputs already set are left alone.
void fillUnsetOutputSampleTimes(BlockRecord* record, double period, double offset);
// [negotiation] True when no input is unset; true for a block without inputs.
bool areAllInputSampleTimesSet(const BlockRecord* record);
// [negotiation] The reference input: the lowest-index input whose period is
// not +infinity, or 0 when every input is constant.
int32_t firstNonConstantInputPort(const BlockRecord* record);

// [negotiation] setPortSampleTime for input port `port`.
void mdlSetInputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset);
// [negotiation] setPortSampleTime for output port `port`.
void mdlSetOutputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset);

// [negotiation, once sample times are settled] Every output must run at the
// reference input's time; when all inputs are discrete, every non-constant
// input too. Writes nothing.
void mdlCheckSampleTimes(BlockRecord* record);

}  // namespace quorbelin

#endif
