#include "cli/run_command.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "bridge/int32_conversion.h"
#include "cli/atomic_output.h"
#include "cli/block_location.h"
#include "cli/delay_block_ports.h"
#include "cli/delay_source.h"
#include "cli/errors.h"
#include "cli/plot.h"
#include "cli/progress.h"
#include "cli/signal_io.h"
#include "host/simulation.h"

namespace quorbelin::cli {

namespace {

// Rows read, delayed and written per pass: large enough to keep the file
// calls cheap, small enough to keep memory flat.
constexpr std::size_t rowsPerChunk = 4096;

// The smallest maximum delay that serves every delay the source gives.
double defaultMaxDelay(double largestDelay) {
    const double samples = std::max(1.0, std::ceil(largestDelay));
    if (!(samples <= std::numeric_limits<int32_t>::max())) {
        throw UsageError("the delay reaches " + std::to_string(largestDelay) +
                         " samples, which gives no maximum delay; give --max-delay");
    }
    return samples;
}

// The numChannels value for the block: the input's count unless the user
// chose -1. Values the block refuses go through unchanged so that the
// block's own message reaches the user; a valid count that is not the
// input's would regroup the port's elements into other channels.
double numChannelsFor(const RunOptions& options, int32_t inputChannels) {
    if (!options.parameters.channels) {
        return inputChannels;
    }
    const double value = *options.parameters.channels;
    if (value == -1.0) {
        if (options.frame != 1) {
            throw UsageError("--channels -1 makes every element of the data port a channel of its own with "
                             "frame size 1; it cannot be combined with --frame " + std::to_string(options.frame));
        }
    } else if (isInt32(value) && value >= 1.0 && value != inputChannels) {
        throw UsageError("--channels " + std::to_string(truncateToInt32(value)) + ": " + options.input + " has " +
                         std::to_string(inputChannels) + " channel(s)");
    }
    return value;
}

// Moves between rows (one time sample, all channels) and the data port's
// layout (channel after channel, frame samples contiguous).
struct PortLayout {
    std::size_t channels;
    std::size_t frame;
    std::size_t valuesPerElement;  // 2 for complex

    void gather(const double* rows, double* port) const {
        for (std::size_t s = 0; s < frame; ++s) {
            for (std::size_t c = 0; c < channels; ++c) {
                for (std::size_t k = 0; k < valuesPerElement; ++k) {
                    port[(c * frame + s) * valuesPerElement + k] = rows[(s * channels + c) * valuesPerElement + k];
                }
            }
        }
    }
    void scatter(const double* port, double* rows) const {
        for (std::size_t s = 0; s < frame; ++s) {
            for (std::size_t c = 0; c < channels; ++c) {
                for (std::size_t k = 0; k < valuesPerElement; ++k) {
                    rows[(s * channels + c) * valuesPerElement + k] = port[(c * frame + s) * valuesPerElement + k];
                }
            }
        }
    }
};

}  // namespace

RunSummary runDelay(const RunOptions& options) {
    if (options.frame < 1 || options.frame > std::numeric_limits<int32_t>::max()) {
        throw UsageError("--frame must be a whole number of at least 1");
    }
    if (options.rate && !(*options.rate > 0.0 && std::isfinite(*options.rate))) {
        throw UsageError("--rate must be a positive number of samples per second");
    }
    if (!options.plot.empty()) {
        plotTerminalFor(options.plot);
    }
    const DelayUnit unit = parseDelayUnit(options.delayUnit);

    std::unique_ptr<SignalReader> reader = openSignalReader(options.input, options.complex, options.rate);
    const SignalFormat format = reader->format();
    const int32_t frame = static_cast<int32_t>(options.frame);
    const int64_t dataWidth = int64_t{format.channels} * frame;
    if (dataWidth > std::numeric_limits<int32_t>::max()) {
        throw UsageError("--frame " + std::to_string(frame) + " with " + std::to_string(format.channels) +
                         " channels makes the data port wider than 2^31 - 1 elements");
    }

    BlockParameters parameters;
    parameters.channels = numChannelsFor(options, format.channels);
    parameters.perChannel = options.parameters.perChannel;
    const DelayPortLayout delayLayout{parameters.perChannel, format.channels, frame};
    std::unique_ptr<DelaySource> delays = makeDelaySource(options.delay, unit, format.sampleRate, delayLayout);
    parameters.maxDelay =
        options.parameters.maxDelay ? *options.parameters.maxDelay : defaultMaxDelay(delays->largest());
    parameters.filter = resolveFilter(options.parameters.filter);
    parameters.initialConditions = resolveInitialConditions(options.parameters.initialConditions);

    const vostrel::BlockLibrary library(locateBlockLibrary(options.blockPath));
    // A hit carries a whole frame, so the port's period is the frame's
    // duration (in samples when the rate is unknown).
    const double period = format.sampleRate ? frame / *format.sampleRate : static_cast<double>(frame);
    const vostrel::Connections connections =
        delayBlockConnections(vostrel::PortSignal::source(static_cast<int32_t>(dataWidth), format.complex, period),
                              vostrel::PortSignal::source(delayLayout.width(), false, period));
    std::optional<vostrel::Simulation> simulation;
    try {
        simulation.emplace(library, toHostArrays(parameters), connections);
    } catch (const vostrel::SimulationError& error) {
        throw BlockError(error.what());
    }

    AtomicOutput output(options.output);
    std::unique_ptr<SignalWriter> writer = openSignalWriter(options.output, output.temporaryPath(), format);
    std::optional<AtomicOutput> plotOutput;
    std::optional<PlotRecorder> recorder;
    if (!options.plot.empty()) {
        plotOutput.emplace(options.plot);
        recorder.emplace(format.channels);
    }

    const std::size_t valuesPerElement = format.complex ? 2 : 1;
    const std::size_t valuesPerRow = format.valuesPerRow();
    const std::size_t hitsPerChunk = std::max<std::size_t>(1, rowsPerChunk / static_cast<std::size_t>(frame));
    const std::size_t chunkRows = hitsPerChunk * static_cast<std::size_t>(frame);
    const PortLayout layout{static_cast<std::size_t>(format.channels), static_cast<std::size_t>(frame),
                            valuesPerElement};
    std::vector<double> inputRows(chunkRows * valuesPerRow);
    std::vector<double> outputRows(chunkRows * valuesPerRow);
    std::vector<double> dataPort(static_cast<std::size_t>(dataWidth) * valuesPerElement);
    std::vector<double> outputPort(dataPort.size());
    std::vector<double> delayPort(static_cast<std::size_t>(delayLayout.width()));
    std::vector<double> plotInput(maxPlottedChannels), plotOutputValues(maxPlottedChannels);

    Progress progress(!options.quiet, reader->length());
    const auto start = std::chrono::steady_clock::now();
    int64_t done = 0;
    for (;;) {
        const std::size_t got = reader->read(inputRows, chunkRows);
        if (got == 0) {
            break;
        }
        // The last frame is padded with zeros; only `got` rows are written.
        std::fill(inputRows.begin() + static_cast<std::ptrdiff_t>(got * valuesPerRow), inputRows.end(), 0.0);
        const std::size_t hits = (got + frame - 1) / frame;
        for (std::size_t h = 0; h < hits; ++h) {
            const std::size_t firstRow = h * frame;
            const int32_t valid = static_cast<int32_t>(std::min<std::size_t>(frame, got - firstRow));
            layout.gather(inputRows.data() + firstRow * valuesPerRow, dataPort.data());
            delays->fill(done + static_cast<int64_t>(firstRow), valid, delayPort);
            try {
                simulation->step({dataPort, delayPort}, {outputPort});
            } catch (const vostrel::SimulationError& error) {
                throw BlockError(error.what());
            }
            layout.scatter(outputPort.data(), outputRows.data() + firstRow * valuesPerRow);
            if (recorder) {
                for (int32_t s = 0; s < valid; ++s) {
                    const std::size_t row = firstRow + static_cast<std::size_t>(s);
                    for (int32_t c = 0; c < recorder->channels(); ++c) {
                        plotInput[c] = inputRows[row * valuesPerRow + c * valuesPerElement];
                        plotOutputValues[c] = outputRows[row * valuesPerRow + c * valuesPerElement];
                    }
                    recorder->add(done + static_cast<int64_t>(row), plotInput, plotOutputValues,
                                  delayPort[parameters.perChannel ? 0 : static_cast<std::size_t>(s)]);
                }
            }
        }
        writer->write(outputRows, got);
        done += static_cast<int64_t>(got);
        progress.update(done);
    }
    writer->finish();
    const auto end = std::chrono::steady_clock::now();
    progress.finish();

    if (recorder) {
        renderPlot(*recorder, options.plot, plotOutput->temporaryPath(), format.sampleRate,
                   options.input + " -> " + options.output);
    }
    output.commit();
    if (plotOutput) {
        plotOutput->commit();
    }
    return RunSummary{done, format.channels, std::chrono::duration<double>(end - start).count()};
}

}  // namespace quorbelin::cli
