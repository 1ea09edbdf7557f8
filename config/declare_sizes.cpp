#include "config/declare_sizes.h"

#include <initializer_list>

#include "bridge/error_slot.h"
#include "config/check_parameters.h"
#include "config/parameters.h"
#include "config/ports.h"

namespace quorbelin {

namespace {

// Number of work vectors decided later, in mdlSetWorkWidths.
constexpr int32_t workVectorsDecidedLater = -1;

constexpr uint32_t parameterAttributeBit = 1u;
// Input port attributes: bit 0 cleared, the two-bit field at bits 1-2 = 1.
constexpr uint32_t inputFlagBit = 1u;
constexpr uint32_t inputFieldMask = 3u << 1;
constexpr uint32_t inputFieldOne = 1u << 1;
// Output port attributes: the two-bit field at bits 0-1 = 1.
constexpr uint32_t outputFieldMask = 3u;
constexpr uint32_t outputFieldOne = 1u;

void markDeclaredParameters(BlockRecord* record) {
    if (record->paramAttributes == nullptr) {
        return;
    }
    for (ParameterIndex index : {maxDelayParameter, initialConditionsParameter,
                                 interpFilterParameter, numChannelsParameter}) {
        record->paramAttributes[index] |= parameterAttributeBit;
    }
}

void declareInputPort(InputPortRecord& port, int32_t complexity) {
    port.complexity = complexity;
    port.width = DYNAMICALLY_SIZED;
    port.directFeedthrough = 1;
    port.attributes = (port.attributes & ~(inputFlagBit | inputFieldMask)) | inputFieldOne;
    port.samplePeriod = unsetSamplePeriod;
}

void declareOutputPort(OutputPortRecord& port) {
    port.width = DYNAMICALLY_SIZED;
    port.complexity = COMPLEXITY_INHERITED;
    port.attributes = (port.attributes & ~outputFieldMask) | outputFieldOne;
    port.samplePeriod = unsetSamplePeriod;
}

}  // namespace

void mdlDeclareSizes(BlockRecord* record) {
    record->sizes[numParams] = parameterCount;
    if (record->numParamsGiven != parameterCount) {
        return;
    }
    mdlCheckParameters(record);
    if (hasError(record)) {
        return;
    }
    markDeclaredParameters(record);
    record->sizes[numSampleTimes] = PORT_BASED_SAMPLE_TIMES;

    if (record->setNumInputPorts == nullptr ||
        record->setNumInputPorts(record->setNumInputPortsContext, blockInputPorts) == 0) {
        return;
    }
    declareInputPort(record->inputPorts[dataInputPort], COMPLEXITY_INHERITED);
    declareInputPort(record->inputPorts[delayInputPort], COMPLEXITY_REAL);

    if (record->setNumOutputPorts == nullptr ||
        record->setNumOutputPorts(record->setNumOutputPortsContext, blockOutputPorts) == 0) {
        return;
    }
    declareOutputPort(record->outputPorts[delayedOutputPort]);

    if (record->setNumWorkVectors != nullptr &&
        record->setNumWorkVectors(record, workVectorsDecidedLater) != 0) {
        record->sizes[options] = static_cast<int32_t>(OPTIONS_WORK_VECTORS_DECLARED);
    }
}

}  // namespace quorbelin
