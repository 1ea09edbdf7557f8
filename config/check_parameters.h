// Validation of the parameters that need no knowledge of the ports:
// maxDelay, interpFilter and numChannels.
#ifndef QUORBELIN_CONFIG_CHECK_PARAMETERS_H
#define QUORBELIN_CONFIG_CHECK_PARAMETERS_H

#include "bridge/block_record.h"

namespace quorbelin {

inline constexpr char numChannelsMessage[] =
    "Number of channels should be a positive scalar integer. If it is -1, the number of channels "
    "equals the port width";
// Stored by any method that finds fewer than five parameter values to read.
inline constexpr char missingParametersMessage[] =
    "The block takes 5 parameters: maximum delay, interpolation filter, initial conditions, "
    "number of channels and delay mode";

// [size query, negotiation] Stores the first failure's message, in the order
// filter, maximum delay, number of channels; on success writes nothing. In a
// sizes-only call the filter is not examined and an empty maxDelay or
// numChannels is accepted.
void mdlCheckParameters(BlockRecord* record);

}  // namespace quorbelin

#endif
