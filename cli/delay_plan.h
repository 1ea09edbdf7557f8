// The decisions a run makes before it starts, from the user's settings, the
// signal and the delay source: the samples per sample hit, the maximum
// delay, the lookahead and what it does to the block's parameters, the
// length of the tail, and the memory the run will need. Nothing here reads
// or writes a file, so every front end (the command line, scripts) plans a
// run the same way.
#ifndef QUORBELIN_CLI_DELAY_PLAN_H
#define QUORBELIN_CLI_DELAY_PLAN_H

#include <cstdint>
#include <limits>
#include <optional>

#include "cli/block_parameters.h"
#include "cli/delay_source.h"
#include "cli/signal_io.h"

namespace quorbelin::cli {

struct DelayRunSettings {
    std::optional<double> maxDelay;  // samples; else the largest delay the source gives
    std::optional<Matrix> filter;    // nothing: linear interpolation
    Matrix initialConditions{1, 1, {0.0}};
    std::optional<double> channels;  // the block's numChannels; else the signal's channel count
    bool perChannel = false;
    std::optional<int64_t> frame;      // samples per hit; chosen by the run when not given
    std::optional<int64_t> lookahead;  // samples; nothing: as many as the filter needs (H - 1)
    bool tail = false;
    uint64_t memoryLimit = std::numeric_limits<uint64_t>::max();  // bytes
};

struct DelayRunPlan {
    int32_t frame = 1;
    double maxDelay = 1.0;    // the user's maximum delay (samples)
    int32_t halfLength = 0;   // H: filter rows / 2
    int64_t lookahead = 0;    // N: every delay reaches the block as d + N
    int64_t tail = 0;         // samples appended after the signal's end
    BlockParameters block;    // as handed to the block
    bool filtered() const { return block.filter.has_value(); }
    // The smallest whole delay the filter serves, in the user's delays:
    // below it the block interpolates linearly.
    double filterReach() const { return static_cast<double>(halfLength - 1 - lookahead); }
};

// Half the machine's memory: what a run may take for the block's delay
// lines unless told otherwise.
uint64_t defaultMemoryLimit();

// Samples per hit: the given frame, else 1 where the frame changes the
// result (per-channel delays, numChannels -1), else a size that keeps the
// host's per-hit work small beside the samples. UsageError for a frame
// below 1 or beyond the data port's 2^31 - 1 elements, and for a channel
// count that is not the signal's.
int32_t chooseFrame(const DelayRunSettings& settings, const SignalFormat& format);

// Throws UsageError for a lookahead, maximum delay or initial conditions
// that cannot be combined, naming the limit, and for initial conditions
// that are not finite; the block judges the rest.
DelayRunPlan planDelayRun(const DelayRunSettings& settings, const SignalFormat& format, int32_t frame,
                          const DelaySource& delays);

}  // namespace quorbelin::cli

#endif
