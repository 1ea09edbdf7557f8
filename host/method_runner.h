// Method calls as a simulation makes them: a stored message, or a refusal of
// the host on the way, stops the simulation.
#ifndef QUORBELIN_HOST_METHOD_RUNNER_H
#define QUORBELIN_HOST_METHOD_RUNNER_H

#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace vostrel {

// The host's method codes.
enum MethodCode : int32_t {
    checkSampleTimesCode = 101,
    initializeConditionsCode = 102,
    computeOutputsCode = 104,
    releaseCode = 107,
    setWorkWidthsCode = 111,
    setInputPortWidthCode = 115,
    setOutputPortWidthCode = 116,
    startCode = 117,
    setInputPortComplexSignalCode = 120,
    setOutputPortComplexSignalCode = 121,
    setInputPortSampleTimeCode = 122,
    setOutputPortSampleTimeCode = 123,
};

// Calls the method and throws SimulationError with the block's message when
// the error slot holds one afterwards.
void runMethod(const BlockLibrary& library, HostBlock& block, MethodCode code, const MethodArgs& args = {});

}  // namespace vostrel

#endif
