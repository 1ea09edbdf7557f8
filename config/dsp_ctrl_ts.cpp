#include "config/dsp_ctrl_ts.h"

#include "bridge/error_slot.h"
#include "bridge/host_services.h"
#include "config/ports.h"

namespace quorbelin {

namespace {

constexpr char notPortBasedMessage[] =
    "S-Function must use PORT_BASED_SAMPLE_TIMES in order to be able to include dsp_ctrl_ts.";
constexpr char noInputPortMessage[] = "Must have at least 1 input port to use 'dsp_ctrl_ts'.";
constexpr char noOutputPortMessage[] = "Must have at least 1 output port to use 'dsp_ctrl_ts'.";
constexpr char outputsDifferFromFirstInputMessage[] =
    "Sample time of first input port and all output ports must be identical.";
constexpr char outputsDifferFromReferenceMessage[] =
    "Sample time of first input port with non-constant sample time and all output ports must be "
    "identical.";
constexpr char inputsDifferMessage[] =
    "Sample times of all input ports which are not constant should be identical.";

bool isUnset(double period) { return period == unsetSamplePeriod; }

// The host's constant sample time, asked afresh for every test.
bool isConstant(double period) { return period == kvGetInf(); }

template <typename Port>
void setSampleTime(Port& port, double period, double offset) {
    port.samplePeriod = period;
    port.sampleOffset = offset;
}

template <typename Port>
bool hasSampleTime(const Port& port, double period, double offset) {
    return port.samplePeriod == period && port.sampleOffset == offset;
}

void markUnsetOffsets(BlockRecord* record, double period, double offset) {
    for (int32_t i = 0; i < inputPortCount(record); ++i) {
        if (isUnset(record->inputPorts[i].samplePeriod)) {
            setSampleTime(record->inputPorts[i], period, offset);
        }
    }
    fillUnsetOutputSampleTimes(record, period, offset);
}

bool isAddressedPort(const BlockRecord* record, bool isOutput, int32_t port) {
    return isOutput ? isOutputPort(record, port) : isInputPort(record, port);
}

}  // namespace

void fillUnsetOutputSampleTimes(BlockRecord* record, double period, double offset) {
    for (int32_t i = 0; i < outputPortCount(record); ++i) {
        if (isUnset(record->outputPorts[i].samplePeriod)) {
            setSampleTime(record->outputPorts[i], period, offset);
        }
    }
}

bool areAllInputSampleTimesSet(const BlockRecord* record) {
    for (int32_t i = 0; i < inputPortCount(record); ++i) {
        if (isUnset(record->inputPorts[i].samplePeriod)) {
            return false;
        }
    }
    return true;
}

int32_t firstNonConstantInputPort(const BlockRecord* record) {
    for (int32_t i = 0; i < inputPortCount(record); ++i) {
        if (!isConstant(record->inputPorts[i].samplePeriod)) {
            return i;
        }
    }
    return 0;
}

void setPortSampleTime(BlockRecord* record, bool isOutput, int32_t port, double period,
                       double offset) {
    if (record->sizes[numSampleTimes] != PORT_BASED_SAMPLE_TIMES) {
        reportError(record, notPortBasedMessage);
        return;
    }
    if (record->sizes[numInputPorts] < 1) {
        reportError(record, noInputPortMessage);
        return;
    }
    if (record->sizes[numOutputPorts] < 1) {
        reportError(record, noOutputPortMessage);
        return;
    }
    if (!isAddressedPort(record, isOutput, port) || !isInputPort(record, 0) ||
        !isOutputPort(record, 0)) {
        return;
    }

    if (isUnset(period) && offset == -1.0) {
        markUnsetOffsets(record, period, offset);
        return;
    }
    if (isOutput) {
        setSampleTime(record->outputPorts[port], period, offset);
    } else {
        setSampleTime(record->inputPorts[port], period, offset);
    }

    if (inputPortCount(record) == 1) {
        fillUnsetOutputSampleTimes(record, period, offset);
        return;
    }
    if (!isOutput && port == 0 && !isConstant(period)) {
        fillUnsetOutputSampleTimes(record, period, offset);
    }
    if (areAllInputSampleTimesSet(record)) {
        const InputPortRecord& reference = record->inputPorts[firstNonConstantInputPort(record)];
        fillUnsetOutputSampleTimes(record, reference.samplePeriod, reference.sampleOffset);
    }
    if (isOutput) {
        fillUnsetOutputSampleTimes(record, period, offset);
        if (isUnset(record->inputPorts[0].samplePeriod)) {
            setSampleTime(record->inputPorts[0], period, offset);
        }
    }
}

void mdlSetInputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset) {
    setPortSampleTime(record, false, port, period, offset);
}

void mdlSetOutputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset) {
    setPortSampleTime(record, true, port, period, offset);
}

void mdlCheckSampleTimes(BlockRecord* record) {
    if (inputPortCount(record) <= 0) {
        return;
    }
    const int32_t referenceIndex = firstNonConstantInputPort(record);
    const InputPortRecord& reference = record->inputPorts[referenceIndex];
    const double period = reference.samplePeriod;
    const double offset = reference.sampleOffset;

    for (int32_t i = 0; i < outputPortCount(record); ++i) {
        if (!hasSampleTime(record->outputPorts[i], period, offset)) {
            reportError(record, referenceIndex == 0 ? outputsDifferFromFirstInputMessage
                                                    : outputsDifferFromReferenceMessage);
            return;
        }
    }
    if (!areAllInputPortsDiscreteSampleTime(record)) {
        return;
    }
    for (int32_t i = 0; i < inputPortCount(record); ++i) {
        const InputPortRecord& input = record->inputPorts[i];
        if (!isConstant(input.samplePeriod) && !hasSampleTime(input, period, offset)) {
            reportError(record, inputsDifferMessage);
            return;
        }
    }
}

}  // namespace quorbelin
