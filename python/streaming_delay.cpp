#include "python/streaming_delay.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "cli/delay_block_ports.h"
#include "cli/delay_stream.h"
#include "cli/errors.h"

namespace quorbelin::python {

StreamingDelay::StreamingDelay(const vostrel::BlockLibrary& library, StreamingDelaySettings settings)
    : library_(library), settings_(std::move(settings)) {
    start();
}

std::size_t StreamingDelay::valuesPerRow() const {
    return static_cast<std::size_t>(settings_.channels) * (settings_.complex ? 2 : 1);
}

std::size_t StreamingDelay::delaysPerRow() const {
    return settings_.block.perChannel ? static_cast<std::size_t>(settings_.channels) : 1;
}

void StreamingDelay::start() {
    // One time sample per hit, one sample period per hit.
    const vostrel::Connections connections = cli::delayBlockConnections(
        vostrel::PortSignal::source(settings_.channels, settings_.complex, 1.0),
        vostrel::PortSignal::source(static_cast<int32_t>(delaysPerRow()), false, 1.0));
    simulation_.reset();
    try {
        simulation_.emplace(library_, cli::toHostArrays(settings_.block), connections,
                            vostrel::SimulationLimits{.workVectorBytes = settings_.memoryLimit});
    } catch (const vostrel::WorkVectorLimitError& error) {
        throw cli::MemoryLimitError("the block's delay lines would take " + std::to_string(error.needed()) +
                                    " bytes, more than the memory limit of " + std::to_string(error.limit()) +
                                    " bytes; lower max_delay or raise memory_limit");
    } catch (const vostrel::SimulationError& error) {
        throw cli::BlockError(error.what());
    }
}

void StreamingDelay::requireOpen() const {
    if (!simulation_) {
        throw std::invalid_argument("the Delay is closed");
    }
}

void StreamingDelay::process(std::span<const double> input, std::size_t rows, std::span<const double> delays,
                             std::span<double> output) {
    std::lock_guard lock(mutex_);
    requireOpen();
    const std::size_t values = valuesPerRow();
    const std::size_t delayWidth = delaysPerRow();
    const bool oneDelayRow = delays.size() == delayWidth;
    if (input.size() != rows * values || output.size() != rows * values ||
        (!oneDelayRow && delays.size() != rows * delayWidth)) {
        throw std::invalid_argument("the signal, its delays and the output do not have the same number of samples");
    }
    // With one sample per hit a row of the signal is the data port's
    // contents as it stands: channel after channel, pairs when complex.
    const std::span<double> dataPort = simulation_->input(0);
    const std::span<double> delayPort = simulation_->input(1);
    const std::span<const double> outputPort = simulation_->output(0);
    for (std::size_t row = 0; row < rows; ++row) {
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(row * values), values, dataPort.begin());
        const std::size_t delayRow = oneDelayRow ? 0 : row;
        std::copy_n(delays.begin() + static_cast<std::ptrdiff_t>(delayRow * delayWidth), delayWidth,
                    delayPort.begin());
        try {
            simulation_->step();
        } catch (const vostrel::SimulationError& error) {
            throw cli::BlockError(error.what());
        }
        std::copy(outputPort.begin(), outputPort.end(), output.begin() + static_cast<std::ptrdiff_t>(row * values));
    }
}

void StreamingDelay::reset() {
    std::lock_guard lock(mutex_);
    requireOpen();
    start();
}

void StreamingDelay::close() {
    std::lock_guard lock(mutex_);
    simulation_.reset();
}

bool StreamingDelay::closed() const {
    std::lock_guard lock(mutex_);
    return !simulation_.has_value();
}

}  // namespace quorbelin::python
