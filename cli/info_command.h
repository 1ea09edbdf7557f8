// `quorbelin info`: registers the block on a host record with the given
// parameters and shows its size-query answer and the ports it declares, or
// the message with which it refuses the parameters.
#ifndef QUORBELIN_CLI_INFO_COMMAND_H
#define QUORBELIN_CLI_INFO_COMMAND_H

#include <cstdio>
#include <string>

#include "cli/block_parameters.h"

namespace quorbelin::cli {

struct InfoOptions {
    // A parameter not given is handed over empty (maxDelay) or at its
    // default (linear filter, initial conditions 0, numChannels -1).
    BlockParameterOptions parameters;
    std::string blockPath;
};

// Prints the report to `out`; throws BlockError with the block's message.
void printBlockInfo(const InfoOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
