// `quorbelin info`: what a host sees of a block for given parameters and
// connected signals, asked through the host alone: the size query's
// SizesVector, the parameter arrays' shapes, the ports as declared and as
// settled by propagation, and the work vectors declared by mdlSetWorkWidths;
// or the message with which the block refuses. As text or as JSON.
#ifndef QUORBELIN_CLI_INFO_COMMAND_H
#define QUORBELIN_CLI_INFO_COMMAND_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/block_parameters.h"

namespace quorbelin::cli {

struct InfoOptions {
    // The delay block's parameters, used when no --param is given. One not
    // given is handed over empty (maxDelay) or at its default (linear filter,
    // initial conditions 0, numChannels -1).
    BlockParameterOptions parameters;
    int64_t frame = 1;      // the delay block's samples per channel per hit
    bool complex = false;   // the delay block's data is complex
    // Any block's parameter values in order, each a number or a CSV matrix.
    std::vector<std::string> values;
    // What feeds each input port, by index: WIDTH[,real|complex][,PERIOD].
    std::vector<std::string> inputs;
    std::string blockPath;
    bool json = false;
};

// Prints the report to `out` and returns the exit status: 0, or 1 with the
// block's (or the host's) message, which JSON carries and text mode throws
// as a BlockError. UsageError for options that do not fit together.
int printBlockInfo(const InfoOptions& options, std::FILE* out);

}  // namespace quorbelin::cli

#endif
