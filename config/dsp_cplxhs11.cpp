#include "config/dsp_cplxhs11.h"

#include "bridge/error_slot.h"
#include "config/ports.h"

namespace quorbelin {

namespace {

constexpr char noOutputPortMessage[] =
    "There must be at least one output port when including dsp_cplxhs11.";
constexpr char noInputPortMessage[] =
    "There must be at least one input port when including dsp_cplxhs11.";
constexpr char outputMustBeRealMessage[] = "Output must be real if input is real.";
constexpr char outputMustBeComplexMessage[] = "Output must be complex if input is complex.";

}  // namespace

void setPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity, bool isOutput) {
    if (record->sizes[numOutputPorts] < 1) {
        reportError(record, noOutputPortMessage);
        return;
    }
    if (record->sizes[numInputPorts] < 1) {
        reportError(record, noInputPortMessage);
        return;
    }
    if (isOutput ? !isOutputPort(record, port) : !isInputPort(record, port)) {
        return;
    }
    // The pair kept in agreement is always input 0 and output 0; a host that
    // counted ports without providing their records gets nothing written.
    if (!isInputPort(record, 0) || !isOutputPort(record, 0)) {
        return;
    }

    const int32_t stored = complexity != 0 ? COMPLEXITY_COMPLEX : COMPLEXITY_REAL;
    if (isOutput) {
        record->outputPorts[port].complexity = stored;
    } else {
        record->inputPorts[port].complexity = stored;
    }

    int32_t& input = record->inputPorts[0].complexity;
    int32_t& output = record->outputPorts[0].complexity;
    if (input == COMPLEXITY_INHERITED) {
        input = output;
    } else if (output == COMPLEXITY_INHERITED) {
        output = input;
    } else if (input != output) {
        reportError(record, input == COMPLEXITY_REAL ? outputMustBeRealMessage
                                                     : outputMustBeComplexMessage);
    }
}

void mdlSetInputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity) {
    setPortComplexSignal(record, port, complexity, false);
}

void mdlSetOutputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity) {
    setPortComplexSignal(record, port, complexity, true);
}

}  // namespace quorbelin
