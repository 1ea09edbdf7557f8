// Method calls as a simulation makes them: a stored message, or a refusal of
// the host on the way, stops the simulation.
#ifndef QUORBELIN_HOST_METHOD_RUNNER_H
#define QUORBELIN_HOST_METHOD_RUNNER_H

#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace vostrel {

// Calls the method and throws SimulationError with the block's message when
// the error slot holds one afterwards.
void runMethod(const BlockLibrary& library, HostBlock& block, MethodCode code, const MethodArgs& args = {});

}  // namespace vostrel

#endif
