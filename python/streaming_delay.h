// The delay block as a streaming object: one simulation kept alive between
// calls, fed one time sample per sample hit. With one sample per hit every
// split of a signal into pieces gives the same hits, so the output does not
// depend on how the caller cuts the signal.
#ifndef QUORBELIN_PYTHON_STREAMING_DELAY_H
#define QUORBELIN_PYTHON_STREAMING_DELAY_H

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "cli/block_parameters.h"
#include "host/simulation.h"

namespace quorbelin::python {

struct StreamingDelaySettings {
    int32_t channels = 1;
    cli::BlockParameters block;  // numChannels is `channels`
    bool complex = false;
    uint64_t memoryLimit = UINT64_MAX;  // bytes of delay lines
};

class StreamingDelay {
public:
    // Starts the simulation; BlockError with the block's message when it
    // refuses the parameters, MemoryLimitError (nothing allocated) when its
    // delay lines would take more than the memory limit. The library must outlive the object.
    StreamingDelay(const vostrel::BlockLibrary& library, StreamingDelaySettings settings);

    // Values of one time sample: channels, or channels (real, imaginary)
    // pairs. Delays per time sample: 1, or channels with per-channel delays.
    std::size_t valuesPerRow() const;
    std::size_t delaysPerRow() const;

    // Delays `rows` time samples of `input` (rows x valuesPerRow) into
    // `output`, sample hit after sample hit; `delays` holds rows x
    // delaysPerRow values, or one row for all. Safe to call from several
    // threads (calls on one object take turns). std::invalid_argument once
    // closed; BlockError when the block stops the run.
    void process(std::span<const double> input, std::size_t rows, std::span<const double> delays,
                 std::span<double> output);
    // Starts again from the initial conditions.
    void reset();
    // Releases the block; later calls are refused. Closing twice is fine.
    void close();
    bool closed() const;

private:
    void start();
    void requireOpen() const;

    const vostrel::BlockLibrary& library_;
    StreamingDelaySettings settings_;
    mutable std::mutex mutex_;
    std::optional<vostrel::Simulation> simulation_;
};

}  // namespace quorbelin::python

#endif
