// A planned run of the block: the simulation in the stand-in host, and the
// streaming loop that feeds it signal rows and delays a block of frames at a
// time and hands the delayed rows on. It applies the lookahead (delays
// raised by N, N zero samples fed past the end, the first N outputs
// dropped) and the tail, and counts what the summary reports. Sources and
// sinks are interfaces, so files, pipes and memory all stream the same way.
#ifndef QUORBELIN_CLI_DELAY_STREAM_H
#define QUORBELIN_CLI_DELAY_STREAM_H

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>

#include "cli/delay_plan.h"
#include "cli/delay_source.h"
#include "cli/signal_io.h"
#include "host/simulation.h"

namespace quorbelin::cli {

// What a run did. Counts are of single-channel output values (a sample of
// one channel), except `inputSamples` and `outputSamples` (time samples).
struct RunCounts {
    int64_t inputSamples = 0;
    int64_t outputSamples = 0;
    int64_t values = 0;              // output values the counts below are of
    double lowestDelay = std::numeric_limits<double>::infinity();    // after clamping, the user's samples
    double highestDelay = -std::numeric_limits<double>::infinity();
    int64_t clamped = 0;             // delay below -N or above the maximum
    int64_t belowFilterReach = 0;    // interpolated linearly although a filter was given
    int64_t nonfiniteDelays = 0;     // NaN or infinite delay (--allow-nonfinite)
    int64_t nonfiniteInput = 0;      // input values with a NaN or infinite part
    double seconds = 0.0;            // wall time of the streaming loop
};

// Sees the rows as they pass, for plots and progress.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Input rows first ... first + rows - 1 (rows x valuesPerRow values).
    virtual void input(int64_t first, std::size_t rows, const double* values) = 0;
    // Output rows, and the delay (the user's samples) each row's channels
    // were delayed by: one per row, or one per channel per row with
    // per-channel delays.
    virtual void output(int64_t first, std::size_t rows, const double* values, const double* delays) = 0;
};

// The memory the block would need is more than the run may take.
class MemoryLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DelayStream {
public:
    // Starts the simulation (the block checks its parameters here). Throws
    // BlockError with the block's or host's message, MemoryLimitError before
    // anything is allocated beyond memoryLimit.
    DelayStream(const vostrel::BlockLibrary& library, const DelayRunPlan& plan, const SignalFormat& format,
                uint64_t memoryLimit);

    // Streams the whole signal; the writer gets every output row (it is not
    // finished here). Throws what the reader, delays and writer throw, and
    // BlockError.
    RunCounts run(SignalReader& reader, DelaySource& delays, SignalWriter& writer, RunObserver* observer,
                  const std::function<void(int64_t)>& progress = {});

private:
    DelayRunPlan plan_;
    SignalFormat format_;
    std::optional<vostrel::Simulation> simulation_;
};

}  // namespace quorbelin::cli

#endif
