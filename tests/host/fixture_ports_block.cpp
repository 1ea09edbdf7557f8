// A block library for the host's propagation tests: parameter 0 is its
// number of input ports and parameter 1 its number of output ports, every
// property of every port left open, and what the host proposes stored as it
// comes and logged. Output port q carries (q + 1) times input port q mod N.
#include <cstdint>
#include <cstdio>
#include <string>

#include "bridge/block_record.h"
#include "bridge/host_services.h"

namespace {

std::string callLog;

void declare(BlockRecord* record) {
    record->sizes[numParams] = 2;
    if (record->numParamsGiven != 2) {
        return;
    }
    const auto inputs = static_cast<int32_t>(kvGetPr(record->params[0])[0]);
    const auto outputs = static_cast<int32_t>(kvGetPr(record->params[1])[0]);
    record->sizes[numSampleTimes] = PORT_BASED_SAMPLE_TIMES;
    record->setNumInputPorts(record->setNumInputPortsContext, inputs);
    record->setNumOutputPorts(record->setNumOutputPortsContext, outputs);
    for (int32_t p = 0; p < inputs; ++p) {
        record->inputPorts[p].width = DYNAMICALLY_SIZED;
        record->inputPorts[p].complexity = COMPLEXITY_INHERITED;
        record->inputPorts[p].samplePeriod = -1.0;
    }
    for (int32_t p = 0; p < outputs; ++p) {
        record->outputPorts[p].width = DYNAMICALLY_SIZED;
        record->outputPorts[p].complexity = COMPLEXITY_INHERITED;
        record->outputPorts[p].samplePeriod = -1.0;
    }
    if (record->setNumWorkVectors != nullptr) {
        record->setNumWorkVectors(record, 0);
    }
}

void log(int32_t code, int32_t port) {
    callLog += (callLog.empty() ? "" : " ") + std::to_string(code) + ":" + std::to_string(port);
}

void methodCall(BlockRecord* record, int32_t code) {
    const int32_t port = record->sizes[methodArgument];
    const CallArgs& call = *record->callArgs;
    switch (code) {
        case inputWidthCode: record->inputPorts[port].width = call.valueArgument; break;
        case outputWidthCode: record->outputPorts[port].width = call.valueArgument; break;
        case inputComplexSignalCode: record->inputPorts[port].complexity = call.valueArgument; break;
        case outputComplexSignalCode: record->outputPorts[port].complexity = call.valueArgument; break;
        case inputSampleTimeCode: record->inputPorts[port].samplePeriod = call.periodArgument; break;
        case outputSampleTimeCode: record->outputPorts[port].samplePeriod = call.periodArgument; break;
        case computeOutputsCode: {
            const int32_t inputs = record->sizes[numInputPorts];
            for (int32_t q = 0; q < record->sizes[numOutputPorts]; ++q) {
                const InputPortRecord& in = record->inputPorts[q % inputs];
                OutputPortRecord& out = record->outputPorts[q];
                for (int32_t e = 0; e < out.width && e < in.width; ++e) {
                    out.signal[e] = (q + 1) * in.signal[e][0];
                }
            }
            return;
        }
        default: return;  // the rest has nothing to do
    }
    log(code, port);
}

}  // namespace

// The proposals the block received, "code:port" in order, since the last
// size query.
extern "C" __attribute__((visibility("default"))) const char* fixturePropagationLog() { return callLog.c_str(); }

extern "C" __attribute__((visibility("default"))) void kivFunction(int32_t leftCount, kvArray* leftResults[],
                                                                    int32_t rightCount, const kvArray* rightArgs[]) {
    const int32_t code = static_cast<int32_t>(kvGetPr(rightArgs[3])[0]);
    if (leftCount < 0) {
        methodCall(reinterpret_cast<BlockRecord*>(leftResults[1]), code);
        return;
    }
    // Host records only: argument 2 is [address; version].
    auto* record = reinterpret_cast<BlockRecord*>(static_cast<uintptr_t>(kvGetPr(rightArgs[1])[0]));
    callLog.clear();
    record->numParamsGiven = rightCount - 4;
    declare(record);
    kvArray* sizes = kvCreateDoubleMatrix(SIZES_WORD_COUNT, 1, 0);
    for (int i = 0; i < SIZES_WORD_COUNT; ++i) {
        kvGetPr(sizes)[i] = record->sizes[i];
    }
    leftResults[0] = sizes;
}
