// `quorbelin run`: streams a signal file through a simulation of the block,
// a block of frames at a time, and writes the delayed signal.
#ifndef QUORBELIN_CLI_RUN_COMMAND_H
#define QUORBELIN_CLI_RUN_COMMAND_H

#include <cstdint>
#include <optional>
#include <string>

#include "cli/block_parameters.h"

namespace quorbelin::cli {

struct RunOptions {
    std::string input;
    std::string output;
    BlockParameterOptions parameters;
    int64_t frame = 1;                 // samples per channel per sample hit
    std::string delay;                 // a number, sine:MEAN:DEPTH:HZ or a CSV file
    std::string delayUnit = "samples";
    std::optional<double> rate;        // for CSV input
    bool complex = false;              // CSV input: (real, imaginary) column pairs
    bool quiet = false;
    std::string plot;                  // PNG or SVG file, or empty
    std::string blockPath;             // empty: find the block beside the tool
};

struct RunSummary {
    int64_t samples = 0;    // time samples per channel
    int32_t channels = 0;
    double seconds = 0.0;   // wall time of the streaming loop
};

// Runs the whole simulation; the output (and the plot) appear only when
// everything succeeded. Throws UsageError, FileError or BlockError.
RunSummary runDelay(const RunOptions& options);

}  // namespace quorbelin::cli

#endif
