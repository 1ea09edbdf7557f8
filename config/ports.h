// The block's ports by role, and the bounds every port method checks an
// index from the host against before it touches a port array.
#ifndef QUORBELIN_CONFIG_PORTS_H
#define QUORBELIN_CONFIG_PORTS_H

#include <cstdint>

#include "bridge/block_record.h"

namespace quorbelin {

inline constexpr int32_t dataInputPort = 0;
inline constexpr int32_t delayInputPort = 1;
inline constexpr int32_t delayedOutputPort = 0;

inline constexpr int32_t blockInputPorts = 2;
inline constexpr int32_t blockOutputPorts = 1;

inline constexpr double unsetSamplePeriod = -1.0;

inline int32_t inputPortCount(const BlockRecord* record) {
    return record->inputPorts != nullptr ? record->sizes[numInputPorts] : 0;
}

inline int32_t outputPortCount(const BlockRecord* record) {
    return record->outputPorts != nullptr ? record->sizes[numOutputPorts] : 0;
}

inline bool isInputPort(const BlockRecord* record, int32_t port) {
    return port >= 0 && port < inputPortCount(record);
}

inline bool isOutputPort(const BlockRecord* record, int32_t port) {
    return port >= 0 && port < outputPortCount(record);
}

}  // namespace quorbelin

#endif
