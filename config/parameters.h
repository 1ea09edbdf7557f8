// The block's five parameters and the quantities derived from them. Every
// method derives what it needs afresh through these readers; only start keeps
// what the fixed parameters give, in the block's record (engine/start_record.h).
#ifndef QUORBELIN_CONFIG_PARAMETERS_H
#define QUORBELIN_CONFIG_PARAMETERS_H

#include <cstdint>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace quorbelin {

// Positions in the record's params.
enum ParameterIndex : int32_t {
    maxDelayParameter = 0,
    interpFilterParameter = 1,
    initialConditionsParameter = 2,
    numChannelsParameter = 3,
    perChannelDelayParameter = 4,
    parameterCount = 5
};

// numChannels value that makes every element of the data port a channel.
inline constexpr int32_t channelsFromPortWidth = -1;

// True when the record carries a value for each of the five parameters;
// methods read none of them otherwise.
inline bool hasAllParameters(const BlockRecord* record) {
    if (record->params == nullptr || record->numParamsGiven < parameterCount) {
        return false;
    }
    for (int32_t i = 0; i < parameterCount; ++i) {
        if (record->params[i] == nullptr) {
            return false;
        }
    }
    return true;
}

inline const kvArray* parameter(const BlockRecord* record, ParameterIndex index) {
    return record->params[index];
}

// The first real element of a scalar parameter, read as a double; 0.0 when
// the array holds no data.
double firstValue(const kvArray* array);

// Dmax: maxDelay truncated to 32 bits.
int32_t maxDelaySamples(const BlockRecord* record);
// M: rows of interpFilter, also when it is empty.
int32_t filterRows(const BlockRecord* record);
// H = M / 2, rounded down.
int32_t filterHalfLength(const BlockRecord* record);
// N: numChannels truncated to 32 bits (-1 or a positive count once valid).
int32_t numChannelsSetting(const BlockRecord* record);
// True in per-channel delay mode: the first element of perChannelDelay is not
// 0.0 (NaN counts as not 0.0). An empty value reads as 0.0.
bool perChannelDelayMode(const BlockRecord* record);
// K: N, or the width of input port 0 when N is -1.
int32_t channelCount(const BlockRecord* record);
// F: width of input port 0 divided by K, or 1 when N is -1.
int32_t frameSize(const BlockRecord* record);

}  // namespace quorbelin

#endif
