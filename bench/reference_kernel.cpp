// The straightforward implementation of the delay, kept as the yardstick of
// the benchmarks: channel after channel, sample after sample, each delay
// clamped and split where it is used, the FIR sum as two descending runs.
// It is the kernel as first written, and gives the same results bit for bit.
#include "bench/reference_kernel.h"

#include <cstddef>

#include "bridge/int32_conversion.h"

namespace quorbelin::bench::reference {
namespace {

// A delay clamped to [0, Dmax] and split into whole samples and a fraction.
// NaN passes both comparisons: its whole part converts to 0 and the fraction
// stays NaN, which linear interpolation passes on and the FIR phase (0)
// ignores.
struct SplitDelay {
    int32_t whole;
    double fraction;
};

inline SplitDelay splitDelay(double delay, int32_t maxDelay) {
    const double upper = static_cast<double>(maxDelay);
    if (delay < 0.0) {
        delay = 0.0;
    } else if (delay > upper) {
        delay = upper;
    }
    const int32_t whole = truncateToInt32(delay);
    return {whole, delay - static_cast<double>(whole)};
}

// Entry e of a buffer of Parts doubles per entry.
template <int Parts>
inline const double* entry(const double* buffer, int32_t e) {
    return buffer + static_cast<std::size_t>(e) * Parts;
}

// Two taps: ages D (entry i) and D + 1 (entry j, the one before i).
template <int Parts>
inline void interpolateLinear(const double* buffer, int32_t length, int32_t newest,
                              SplitDelay delay, double* out) {
    int32_t i = newest - delay.whole;
    if (i < 0) {
        i += length;
    }
    const int32_t j = i > 0 ? i - 1 : length - 1;
    const double f = delay.fraction;
    const double* older = entry<Parts>(buffer, j);
    const double* younger = entry<Parts>(buffer, i);
    for (int part = 0; part < Parts; ++part) {
        out[part] = f * older[part] + (1.0 - f) * younger[part];
    }
}

// M taps of the nearest phase over ages D - H + 1 ... D - H + M. The oldest
// age is at most L (the entry just written), so the window crosses the
// buffer's seam at most once: one run down from entry i, then, when it
// reaches past entry 0, a second run down from entry L - 1.
template <int Parts>
inline void interpolateFir(const double* buffer, int32_t length, int32_t newest,
                           SplitDelay delay, const InterpolationFilter& filter,
                           int32_t halfLength, double* out) {
    const int32_t rows = filter.rows;
    const int32_t phases = filter.phases;
    int32_t whole = delay.whole;
    int32_t phase = truncateToInt32(delay.fraction * static_cast<double>(phases) + 0.5);
    if (phase == phases) {
        // The fraction rounds up to a whole sample; D stays <= Dmax because a
        // nonzero fraction means the delay was below Dmax.
        whole += 1;
        phase = 0;
    }
    int32_t i = newest - whole + halfLength - 1;
    if (i < 0) {
        i += length;
    }
    const double* taps = filter.taps + static_cast<std::size_t>(phase) * rows;

    double sum[Parts];
    for (int part = 0; part < Parts; ++part) {
        sum[part] = 0.0;
    }
    const int32_t firstRun = i + 1 >= rows ? rows : i + 1;
    for (int32_t t = 0; t < firstRun; ++t) {
        const double* x = entry<Parts>(buffer, i - t);
        for (int part = 0; part < Parts; ++part) {
            sum[part] = sum[part] + taps[t] * x[part];
        }
    }
    for (int32_t t = firstRun; t < rows; ++t) {
        const double* x = entry<Parts>(buffer, length - (t - i));
        for (int part = 0; part < Parts; ++part) {
            sum[part] = sum[part] + taps[t] * x[part];
        }
    }
    for (int part = 0; part < Parts; ++part) {
        out[part] = sum[part];
    }
}

template <int Parts>
void delayFrame(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
                const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    const int32_t length = sizes.bufferLength;
    const int32_t frame = sizes.frameSize;
    const bool useFilter = filter.taps != nullptr;
    // Below this whole delay the FIR window would reach past the newest sample.
    const int32_t firstFilteredDelay = sizes.halfLength - 1;

    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* line = buffer + static_cast<std::size_t>(c) * length * Parts;
        const double* const* input = signals.input + static_cast<std::size_t>(c) * frame;
        double* output = signals.output + static_cast<std::size_t>(c) * frame * Parts;
        // Every channel starts from the same stored position.
        int32_t newest = writeIndex;

        for (int32_t s = 0; s < frame; ++s) {
            newest = newest + 1 == length ? 0 : newest + 1;
            // Stored before anything is read, so a delay of 0 is the input.
            double* slot = line + static_cast<std::size_t>(newest) * Parts;
            for (int part = 0; part < Parts; ++part) {
                slot[part] = input[s][part];
            }
            const double delayValue = *signals.delays[mode == DelayMode::perChannel ? c : s];
            const SplitDelay delay = splitDelay(delayValue, sizes.maxDelay);
            double* out = output + static_cast<std::size_t>(s) * Parts;
            if (!useFilter || delay.whole < firstFilteredDelay) {
                interpolateLinear<Parts>(line, length, newest, delay, out);
            } else {
                interpolateFir<Parts>(line, length, newest, delay, filter, sizes.halfLength, out);
            }
        }
    }
    // Formed in 64 bits: writeIndex + F may pass the 32-bit range.
    writeIndex = static_cast<int32_t>((static_cast<int64_t>(writeIndex) + frame) % length);
}

}  // namespace

void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                    DelayMode mode, const FrameSignals& signals, double* buffer,
                    int32_t& writeIndex) {
    delayFrame<1>(sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                       DelayMode mode, const FrameSignals& signals, double* buffer,
                       int32_t& writeIndex) {
    delayFrame<2>(sizes, filter, mode, signals, buffer, writeIndex);
}

}  // namespace quorbelin::bench::reference
