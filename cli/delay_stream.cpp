#include "cli/delay_stream.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "cli/delay_block_ports.h"
#include "cli/errors.h"

namespace quorbelin::cli {

namespace {

// Time samples read, delayed and written per pass: large enough to keep
// the file calls cheap, small enough to keep memory flat.
constexpr int64_t rowsPerChunk = 16384;

std::string gibibytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
    return text;
}

// Moves between rows (one time sample, all channels) and the data port's
// layout (channel after channel, frame samples contiguous). A value is one
// double, or a (real, imaginary) pair. Mono and stereo, the common cases,
// get loops with a fixed stride, which the compiler vectorises.
template <std::size_t Parts>
class PortLayout {
public:
    PortLayout(std::size_t channels, std::size_t frame) : channels_(channels), frame_(frame) {}

    void gather(const double* rows, double* port) const {
        switch (channels_) {
            case 1: move<1, true>(rows, port); break;
            case 2: move<2, true>(rows, port); break;
            default: move<0, true>(rows, port); break;
        }
    }
    void scatter(const double* port, double* rows) const {
        switch (channels_) {
            case 1: move<1, false>(port, rows); break;
            case 2: move<2, false>(port, rows); break;
            default: move<0, false>(port, rows); break;
        }
    }

private:
    // Channels 0: the count known only at run time. Sample s of channel c
    // is at (s * channels + c) in the rows and at (c * frame + s) in the
    // port. A fixed count walks the rows in order, so both sides stream.
    template <std::size_t Channels, bool FromRows>
    void move(const double* from, double* to) const {
        if constexpr (Channels == 0) {
            for (std::size_t c = 0; c < channels_; ++c) {
                for (std::size_t s = 0; s < frame_; ++s) {
                    copyValue<FromRows>(from, to, (s * channels_ + c) * Parts, (c * frame_ + s) * Parts);
                }
            }
        } else {
            for (std::size_t s = 0; s < frame_; ++s) {
                for (std::size_t c = 0; c < Channels; ++c) {
                    copyValue<FromRows>(from, to, (s * Channels + c) * Parts, (c * frame_ + s) * Parts);
                }
            }
        }
    }

    template <bool FromRows>
    static void copyValue(const double* from, double* to, std::size_t row, std::size_t element) {
        for (std::size_t k = 0; k < Parts; ++k) {
            to[(FromRows ? element : row) + k] = from[(FromRows ? row : element) + k];
        }
    }

    std::size_t channels_;
    std::size_t frame_;
};

// Input values (one channel's sample, both parts when complex) with a NaN
// or infinite part.
int64_t nonfiniteValues(const double* values, std::size_t count, std::size_t parts) {
    // NaN and the infinities are the doubles whose exponent bits are all
    // set. The test on the upper 32 bits of each double (little-endian:
    // the second word) vectorises with the baseline instruction set, where
    // float compares and 64-bit lanes do not.
    static_assert(std::endian::native == std::endian::little);
    constexpr uint32_t exponent = 0x7ff00000u;
    const std::size_t total = count * parts;
    uint32_t doubles = 0;
    for (std::size_t i = 0; i < total; ++i) {
        uint32_t upper = 0;
        std::memcpy(&upper, reinterpret_cast<const unsigned char*>(values + i) + 4, sizeof upper);
        doubles += (upper & exponent) == exponent ? 1u : 0u;
    }
    if (doubles == 0 || parts == 1) {
        return doubles;
    }
    int64_t found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        found += std::isfinite(values[2 * i]) && std::isfinite(values[2 * i + 1]) ? 0 : 1;
    }
    return found;
}

// Tallies the delays of the kept outputs as the block will treat them: the
// block clamps d + N to [0, Dmax + N] and interpolates linearly where the
// clamped value's whole part is below H - 1.
class DelayTally {
public:
    DelayTally(const DelayRunPlan& plan, RunCounts& counts)
        : counts_(counts), lookahead_(static_cast<double>(plan.lookahead)),
          blockMaximum_(plan.block.maxDelay), reach_(plan.filtered() ? plan.halfLength - 1 : 0) {}

    void add(double delay, int64_t weight) {
        counts_.values += weight;
        if (!std::isfinite(delay)) {
            counts_.nonfiniteDelays += weight;
            return;
        }
        const double shifted = delay + lookahead_;
        const double clamped = std::clamp(shifted, 0.0, blockMaximum_);
        if (clamped != shifted) {
            counts_.clamped += weight;
        }
        if (std::trunc(clamped) < reach_) {
            counts_.belowFilterReach += weight;
        }
        const double used = clamped - lookahead_;
        counts_.lowestDelay = std::min(counts_.lowestDelay, used);
        counts_.highestDelay = std::max(counts_.highestDelay, used);
    }

private:
    RunCounts& counts_;
    double lookahead_;
    double blockMaximum_;
    double reach_;
};

}  // namespace

DelayStream::DelayStream(const vostrel::BlockLibrary& library, const DelayRunPlan& plan, const SignalFormat& format,
                         uint64_t memoryLimit)
    : plan_(plan), format_(format) {
    const int64_t dataWidth = int64_t{format.channels} * plan.frame;
    const std::size_t delayWidth = plan.block.perChannel ? static_cast<std::size_t>(format.channels)
                                                         : static_cast<std::size_t>(plan.frame);
    // A hit carries a whole frame, so the port's period is the frame's
    // duration (in samples when the rate is unknown).
    const double period = format.sampleRate ? plan.frame / *format.sampleRate : static_cast<double>(plan.frame);
    const vostrel::Connections connections =
        delayBlockConnections(vostrel::PortSignal::source(static_cast<int32_t>(dataWidth), format.complex, period),
                              vostrel::PortSignal::source(static_cast<int32_t>(delayWidth), false, period));
    try {
        simulation_.emplace(library, toHostArrays(plan.block), connections,
                            vostrel::SimulationLimits{.workVectorBytes = memoryLimit});
    } catch (const vostrel::WorkVectorLimitError& error) {
        throw MemoryLimitError("the block's delay lines would take " + std::to_string(error.needed()) + " bytes (" +
                               gibibytes(error.needed()) + "), more than the memory limit of " +
                               std::to_string(error.limit()) + " bytes (" + gibibytes(error.limit()) +
                               "); lower --max-delay or raise --memory-limit");
    } catch (const vostrel::SimulationError& error) {
        throw BlockError(error.what());
    }
}

RunCounts DelayStream::run(SignalReader& reader, DelaySource& delays, SignalWriter& writer, RunObserver* observer,
                           const std::function<void(int64_t)>& progress) {
    const int64_t frame = plan_.frame;
    const int64_t lookahead = plan_.lookahead;
    const bool perChannel = plan_.block.perChannel;
    const std::size_t channels = static_cast<std::size_t>(format_.channels);
    const std::size_t valuesPerElement = format_.complex ? 2 : 1;
    const std::size_t valuesPerRow = format_.valuesPerRow();
    const int64_t hitsPerChunk = std::max<int64_t>(1, rowsPerChunk / frame);
    const int64_t chunkSamples = hitsPerChunk * frame;
    // Delay rows: one per time sample, or one per hit with one value per
    // channel. The lookahead is a whole number of rows.
    const int64_t samplesPerRow = perChannel ? frame : 1;
    const std::size_t rowWidth = perChannel ? channels : 1;
    const int64_t rowShift = lookahead / samplesPerRow;
    const int64_t chunkDelayRows = chunkSamples / samplesPerRow;

    const PortLayout<1> realLayout(channels, static_cast<std::size_t>(frame));
    const PortLayout<2> complexLayout(channels, static_cast<std::size_t>(frame));
    std::vector<double> inputRows(static_cast<std::size_t>(chunkSamples) * valuesPerRow);
    std::vector<double> outputRows(inputRows.size());
    std::vector<double> userDelays(static_cast<std::size_t>(chunkDelayRows) * rowWidth);
    std::vector<double> rowDelays(observer != nullptr ? static_cast<std::size_t>(chunkSamples) * rowWidth : 0);
    // Rows go straight into the host's port storage and come straight out
    // of it: no copies beside the layout's.
    const std::span<double> dataPort = simulation_->input(dataInputPort);
    const std::span<double> delayPort = simulation_->input(delayInputPort);
    const std::span<const double> outputPort = simulation_->output(delayedOutputPort);

    RunCounts counts;
    DelayTally tally(plan_, counts);
    std::optional<int64_t> length;  // input samples, once the reader has ended
    const std::optional<int64_t> fileRows = delays.rowCount();
    std::vector<double> lastDelays(rowWidth, 0.0);  // the last row handed out
    const auto start = std::chrono::steady_clock::now();

    // Block sample m carries input sample m and makes output sample m - N.
    for (int64_t first = 0; !length || first < *length + lookahead + plan_.tail; first += chunkSamples) {
        std::size_t got = 0;
        if (!length) {
            got = reader.read(inputRows, static_cast<std::size_t>(chunkSamples));
            if (static_cast<int64_t>(got) < chunkSamples) {
                length = first + static_cast<int64_t>(got);
            }
        }
        std::fill(inputRows.begin() + static_cast<std::ptrdiff_t>(got * valuesPerRow), inputRows.end(), 0.0);
        counts.nonfiniteInput += nonfiniteValues(inputRows.data(), got * channels, valuesPerElement);
        if (observer != nullptr && got > 0) {
            observer->input(first, got, inputRows.data());
        }

        // The kept outputs end at the signal's end plus the tail; delays past
        // them only pad the last frame. Past a delay file's end the tail
        // holds the file's last value.
        const int64_t keptEnd = length ? *length + plan_.tail : std::numeric_limits<int64_t>::max();
        const int64_t keptRowsEnd = length ? (keptEnd + samplesPerRow - 1) / samplesPerRow : keptEnd;
        const int64_t firstRow = first / samplesPerRow - rowShift;
        const int64_t realBegin = std::max<int64_t>(0, firstRow);
        const int64_t realEnd = std::max(realBegin, std::min(keptRowsEnd, firstRow + chunkDelayRows));
        int64_t fetchEnd = realEnd;
        if (length && fileRows) {
            const int64_t signalRows = (*length + samplesPerRow - 1) / samplesPerRow;
            fetchEnd = std::clamp(std::max(signalRows, *fileRows), realBegin, realEnd);
        }
        const std::size_t offset =
            std::min(userDelays.size(), static_cast<std::size_t>(realBegin - firstRow) * rowWidth);
        // Outputs that are dropped take a delay of 0.
        std::fill(userDelays.begin(), userDelays.begin() + static_cast<std::ptrdiff_t>(offset), 0.0);
        if (fetchEnd > realBegin) {
            delays.fill(realBegin, static_cast<std::size_t>(fetchEnd - realBegin),
                        std::span<double>(userDelays).subspan(offset));
        }
        const std::size_t held =
            std::max(offset, std::min(userDelays.size(), static_cast<std::size_t>(fetchEnd - firstRow) * rowWidth));
        for (std::size_t i = held; i < userDelays.size(); ++i) {
            userDelays[i] = i >= rowWidth ? userDelays[i - rowWidth] : lastDelays[i];
        }
        std::copy(userDelays.end() - static_cast<std::ptrdiff_t>(rowWidth), userDelays.end(), lastDelays.begin());
        if (perChannel) {
            for (int64_t row = realBegin; row < realEnd; ++row) {
                const int64_t weight = std::min(frame, keptEnd - row * frame);
                for (std::size_t c = 0; c < rowWidth; ++c) {
                    tally.add(userDelays[static_cast<std::size_t>(row - firstRow) * rowWidth + c], weight);
                }
            }
        } else {
            // Runs of one value (a constant delay, a file that holds still)
            // are classified once.
            const auto at = [&](int64_t row) { return userDelays[static_cast<std::size_t>(row - firstRow)]; };
            for (int64_t row = realBegin; row < realEnd;) {
                if (delays.constant()) {
                    tally.add(at(row), (realEnd - row) * format_.channels);
                    break;
                }
                int64_t next = row + 1;
                while (next < realEnd && at(next) == at(row)) {
                    ++next;
                }
                tally.add(at(row), (next - row) * format_.channels);
                row = next;
            }
        }
        for (int64_t hit = 0; hit < hitsPerChunk; ++hit) {
            const std::size_t firstSample = static_cast<std::size_t>(hit * frame);
            if (valuesPerElement == 1) {
                realLayout.gather(inputRows.data() + firstSample * valuesPerRow, dataPort.data());
            } else {
                complexLayout.gather(inputRows.data() + firstSample * valuesPerRow, dataPort.data());
            }
            const double* hitDelays = userDelays.data() + (perChannel ? static_cast<std::size_t>(hit) * channels
                                                                      : firstSample);
            if (lookahead == 0) {
                // Without a lookahead the values go through as they are.
                std::copy_n(hitDelays, delayPort.size(), delayPort.begin());
            } else {
                const double shift = static_cast<double>(lookahead);
                std::transform(hitDelays, hitDelays + delayPort.size(), delayPort.begin(),
                               [shift](double delay) { return delay + shift; });
            }
            try {
                simulation_->step();
            } catch (const vostrel::SimulationError& error) {
                throw BlockError(error.what());
            }
            if (valuesPerElement == 1) {
                realLayout.scatter(outputPort.data(), outputRows.data() + firstSample * valuesPerRow);
            } else {
                complexLayout.scatter(outputPort.data(), outputRows.data() + firstSample * valuesPerRow);
            }
        }

        const int64_t keptFrom = std::max(first, lookahead);
        const int64_t keptTo = std::min(first + chunkSamples, length ? *length + lookahead + plan_.tail
                                                                      : first + chunkSamples);
        if (keptTo > keptFrom) {
            const std::size_t skip = static_cast<std::size_t>(keptFrom - first);
            const std::size_t rows = static_cast<std::size_t>(keptTo - keptFrom);
            writer.write(std::span<const double>(outputRows).subspan(skip * valuesPerRow), rows);
            if (observer != nullptr) {
                for (std::size_t r = 0; r < rows; ++r) {
                    const std::size_t sample = skip + r;
                    const double* source = userDelays.data() + (perChannel ? sample / static_cast<std::size_t>(frame) * channels
                                                                           : sample);
                    std::copy_n(source, rowWidth, rowDelays.begin() + static_cast<std::ptrdiff_t>(r * rowWidth));
                }
                observer->output(keptFrom - lookahead, rows, outputRows.data() + skip * valuesPerRow,
                                 rowDelays.data());
            }
            counts.outputSamples += static_cast<int64_t>(rows);
            if (progress) {
                progress(counts.outputSamples);
            }
        }
    }
    counts.inputSamples = length.value_or(0);
    counts.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return counts;
}

}  // namespace quorbelin::cli
