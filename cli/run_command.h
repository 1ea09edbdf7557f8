// `quorbelin run`: streams a signal file (or standard input) through a
// simulation of the block, a block of frames at a time, and writes the
// delayed signal; warns before the run about delays the block will not
// serve as asked, and sums up afterwards.
#ifndef QUORBELIN_CLI_RUN_COMMAND_H
#define QUORBELIN_CLI_RUN_COMMAND_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/block_parameters.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

struct RunOptions {
    std::string input;                 // a file, or "-" for standard input
    std::string output;                // a file, or "-" for standard output
    std::string type;                  // format of "-": csv or an audio type
    std::optional<AudioEncoding> encoding;
    BlockParameterOptions parameters;
    std::optional<int64_t> frame;      // samples per channel per sample hit; chosen when not given
    std::string delay;                 // a number, sine:MEAN:DEPTH:HZ or a CSV file
    std::string delayUnit = "samples";
    std::optional<double> rate;        // for CSV input
    bool complex = false;              // CSV input: (real, imaginary) column pairs
    std::optional<int64_t> lookahead = 0;  // nothing: auto
    bool tail = false;
    bool allowNonfinite = false;
    std::optional<uint64_t> memoryLimit;   // bytes; default half the machine's memory
    bool quiet = false;
    std::string plot;                  // PNG or SVG file, or empty
    std::string plotRange;             // START:END, or empty for the whole run
    std::string blockPath;             // empty: find the block beside the tool
};

struct RunSummary {
    int64_t samples = 0;    // time samples per channel written
    int32_t channels = 0;
    double seconds = 0.0;   // wall time of the streaming loop
};

// Runs the whole simulation; the output (and the plot) appear only when
// everything succeeded. Warnings and, unless quiet, the summary line go to
// `messages`. Throws UsageError, FileError, BlockError or MemoryLimitError.
RunSummary runDelay(const RunOptions& options, std::FILE* messages = stderr);

}  // namespace quorbelin::cli

#endif
