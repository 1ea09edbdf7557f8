// The delay block's ports as the tool connects them: the signal to delay
// feeds input port 0, the delays input port 1, and output port 0 carries the
// delayed signal. The host knows ports only by index; these names are the
// tool's.
#ifndef QUORBELIN_CLI_DELAY_BLOCK_PORTS_H
#define QUORBELIN_CLI_DELAY_BLOCK_PORTS_H

#include "host/simulation.h"

namespace quorbelin::cli {

constexpr int32_t dataInputPort = 0;
constexpr int32_t delayInputPort = 1;
constexpr int32_t delayedOutputPort = 0;

// The data signal and the delay signal, each at its port's index; what the
// output feeds is left to the block.
inline vostrel::Connections delayBlockConnections(const vostrel::PortSignal& data, const vostrel::PortSignal& delays) {
    return vostrel::Connections{.inputs = {data, delays}, .outputs = {}};
}

}  // namespace quorbelin::cli

#endif
