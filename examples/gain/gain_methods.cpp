// What makes this block a gain: its parameter, its two ports that follow
// each other, and the output computation.
#include <cmath>

#include "examples/gain/gain_block.h"

namespace gain {
namespace {

void fail(BlockRecord* record, const char* message) { record->root->errorMessage = message; }

// The addressed port exists, and so do both port records it settles.
bool hasPort(const BlockRecord* record, int32_t port, int sizesIndex) {
    return record->inputPorts != nullptr && record->outputPorts != nullptr && port >= 0 &&
           port < record->sizes[sizesIndex];
}

// A value proposed for one side settles the other side too; a side already
// settled must agree.
void settlePair(BlockRecord* record, int32_t& mine, int32_t& other, int32_t value, const char* mismatch) {
    mine = value;
    if (other == -1) {
        other = value;
    } else if (other != value) {
        fail(record, mismatch);
    }
}

// A period of 0 (continuous) or more, +inf for a constant; NaN fails.
bool validSampleTime(double period, double offset) { return period >= 0.0 && std::isfinite(offset); }

void settleSampleTimes(BlockRecord* record, double period, double offset, double& myPeriod, double& myOffset,
                       double& otherPeriod, double& otherOffset) {
    myPeriod = period;
    myOffset = offset;
    if (otherPeriod == -1.0) {
        otherPeriod = period;
        otherOffset = offset;
    } else if (otherPeriod != period || otherOffset != offset) {
        fail(record, "The input and the output of a gain must have the same sample time");
    }
}

}  // namespace

void mdlCheckParameters(BlockRecord* record) {
    const kvArray* gain = record->numParamsGiven >= 1 ? record->params[0] : nullptr;
    if (gain == nullptr || kvGetNumberOfElements(gain) != 1 || kvIsComplex(gain) || !kvIsNumeric(gain) ||
        kvGetPr(gain) == nullptr || !std::isfinite(kvGetPr(gain)[0])) {
        fail(record, "The gain must be a finite real scalar");
    }
}

void mdlDeclareSizes(BlockRecord* record) {
    record->sizes[numParams] = 1;
    if (record->numParamsGiven != 1) {
        return;  // the host reports the count
    }
    mdlCheckParameters(record);
    if (record->root->errorMessage != nullptr) {
        return;
    }
    record->sizes[numSampleTimes] = PORT_BASED_SAMPLE_TIMES;
    if (!record->setNumInputPorts(record->setNumInputPortsContext, 1)) {
        return;
    }
    InputPortRecord& in = record->inputPorts[0];
    in.width = DYNAMICALLY_SIZED;
    in.complexity = COMPLEXITY_INHERITED;
    in.directFeedthrough = 1;
    in.samplePeriod = -1.0;
    if (!record->setNumOutputPorts(record->setNumOutputPortsContext, 1)) {
        return;
    }
    OutputPortRecord& out = record->outputPorts[0];
    out.width = DYNAMICALLY_SIZED;
    out.complexity = COMPLEXITY_INHERITED;
    out.samplePeriod = -1.0;
    if (record->setNumWorkVectors != nullptr) {
        record->setNumWorkVectors(record, 0);
    }
}

void mdlSetInputPortWidth(BlockRecord* record, int32_t port, int32_t width) {
    if (!hasPort(record, port, numInputPorts) || width < 1) {
        fail(record, "A gain has one input port, of a positive width");
        return;
    }
    settlePair(record, record->inputPorts[0].width, record->outputPorts[0].width, width,
               "The input and the output of a gain must have the same width");
}

void mdlSetOutputPortWidth(BlockRecord* record, int32_t port, int32_t width) {
    if (!hasPort(record, port, numOutputPorts) || width < 1) {
        fail(record, "A gain has one output port, of a positive width");
        return;
    }
    settlePair(record, record->outputPorts[0].width, record->inputPorts[0].width, width,
               "The input and the output of a gain must have the same width");
}

void mdlSetInputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity) {
    if (!hasPort(record, port, numInputPorts) || (complexity != COMPLEXITY_REAL && complexity != COMPLEXITY_COMPLEX)) {
        fail(record, "A gain has one input port, real or complex");
        return;
    }
    settlePair(record, record->inputPorts[0].complexity, record->outputPorts[0].complexity, complexity,
               "The input and the output of a gain must both be real or both complex");
}

void mdlSetOutputPortComplexSignal(BlockRecord* record, int32_t port, int32_t complexity) {
    if (!hasPort(record, port, numOutputPorts) || (complexity != COMPLEXITY_REAL && complexity != COMPLEXITY_COMPLEX)) {
        fail(record, "A gain has one output port, real or complex");
        return;
    }
    settlePair(record, record->outputPorts[0].complexity, record->inputPorts[0].complexity, complexity,
               "The input and the output of a gain must both be real or both complex");
}

void mdlSetInputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset) {
    if (!hasPort(record, port, numInputPorts) || !validSampleTime(period, offset)) {
        fail(record, "A gain has one input port, with a sample period of 0 or more and a finite offset");
        return;
    }
    InputPortRecord& in = record->inputPorts[0];
    OutputPortRecord& out = record->outputPorts[0];
    settleSampleTimes(record, period, offset, in.samplePeriod, in.sampleOffset, out.samplePeriod, out.sampleOffset);
}

void mdlSetOutputPortSampleTime(BlockRecord* record, int32_t port, double period, double offset) {
    if (!hasPort(record, port, numOutputPorts) || !validSampleTime(period, offset)) {
        fail(record, "A gain has one output port, with a sample period of 0 or more and a finite offset");
        return;
    }
    InputPortRecord& in = record->inputPorts[0];
    OutputPortRecord& out = record->outputPorts[0];
    settleSampleTimes(record, period, offset, out.samplePeriod, out.sampleOffset, in.samplePeriod, in.sampleOffset);
}

void mdlCheckSampleTimes(BlockRecord* record) {
    if (record->inputPorts == nullptr || record->outputPorts == nullptr) {
        fail(record, "The gain's ports are not declared");
        return;
    }
    if (record->inputPorts[0].samplePeriod != record->outputPorts[0].samplePeriod) {
        fail(record, "The input and the output of a gain must have the same sample time");
    }
}

void mdlSetWorkWidths(BlockRecord* record) {
    if (record->setNumWorkVectors != nullptr) {
        record->setNumWorkVectors(record, 0);
    }
}

void mdlStart(BlockRecord*) {}
void mdlInitializeConditions(BlockRecord*) {}
void mdlRelease(BlockRecord*) {}

void mdlComputeOutputs(BlockRecord* record, int32_t) {
    if (record->inputPorts == nullptr || record->outputPorts == nullptr || record->numParamsGiven != 1) {
        return;
    }
    // The gain as the host holds it now; it was checked when it was given.
    const double* gain = kvGetPr(record->params[0]);
    const InputPortRecord& in = record->inputPorts[0];
    const OutputPortRecord& out = record->outputPorts[0];
    // Only settled, agreeing ports with storage are served.
    if (in.width < 0 || in.width != out.width || in.complexity != out.complexity || in.signal == nullptr ||
        out.signal == nullptr || gain == nullptr) {
        return;
    }
    const int32_t parts = out.complexity == COMPLEXITY_COMPLEX ? 2 : 1;
    for (int32_t e = 0; e < out.width; ++e) {
        // One reference per element: a double, or a (real, imaginary) pair.
        for (int32_t k = 0; k < parts; ++k) {
            out.signal[e * parts + k] = gain[0] * in.signal[e][k];
        }
    }
}

void nextVariableHitStub(BlockRecord* record) {
    fail(record,
         "To have a variable sample time, you must define MDL_GET_TIME_OF_NEXT_VAR_HIT and add a "
         "mdlGetTimeOfNextVarHit routine");
}

void zeroCrossingsStub(BlockRecord* record) {
    fail(record,
         "To have nonsampled zero crossings, you must define MDL_ZERO_CROSSINGS and have a mdlZeroCrossings routine");
}

}  // namespace gain
