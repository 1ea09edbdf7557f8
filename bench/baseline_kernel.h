// The yardstick of the benchmarks: the delay as a careful engineer writes it
// first, straight from its definition. Channel after channel, sample after
// sample; each delay clamped and split once, where its sample is computed;
// the circular buffer wrapped with a compare, never a division; the FIR sum
// one pass over the taps in their stated order. It gives the block's results
// bit for bit (tests/engine/baseline_kernel_test.cpp) and is compiled with the
// same flags as the block.
#ifndef QUORBELIN_BENCH_BASELINE_KERNEL_H
#define QUORBELIN_BENCH_BASELINE_KERNEL_H

#include <cstddef>
#include <cstdint>

#include "bridge/int32_conversion.h"
#include "engine/kernel/fractional_delay.h"

namespace quorbelin::bench::baseline {

template <int Parts>
void delayFrame(const DelayLineSizes& sizes, const InterpolationFilter& filter, DelayMode mode,
                const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    const int32_t length = sizes.bufferLength;
    const int32_t frame = sizes.frameSize;
    const int32_t halfLength = sizes.halfLength;
    const double upper = static_cast<double>(sizes.maxDelay);
    const bool useFilter = filter.taps != nullptr;

    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* x = buffer + static_cast<std::size_t>(c) * length * Parts;
        const double* const* input = signals.input + static_cast<std::size_t>(c) * frame;
        double* output = signals.output + static_cast<std::size_t>(c) * frame * Parts;
        int32_t w = writeIndex;
        for (int32_t s = 0; s < frame; ++s) {
            w = w + 1 == length ? 0 : w + 1;
            // Stored before anything is read, so a delay of 0 is the input.
            for (int part = 0; part < Parts; ++part) {
                x[static_cast<std::size_t>(w) * Parts + part] = input[s][part];
            }
            double d = *signals.delays[mode == DelayMode::perChannel ? c : s];
            if (d < 0.0) {
                d = 0.0;
            } else if (d > upper) {
                d = upper;
            }
            int32_t whole = truncateToInt32(d);
            const double f = d - static_cast<double>(whole);
            double* y = output + static_cast<std::size_t>(s) * Parts;

            if (!useFilter || whole < halfLength - 1) {
                int32_t i = w - whole;
                if (i < 0) {
                    i += length;
                }
                const int32_t j = i == 0 ? length - 1 : i - 1;
                for (int part = 0; part < Parts; ++part) {
                    y[part] = f * x[static_cast<std::size_t>(j) * Parts + part] +
                              (1.0 - f) * x[static_cast<std::size_t>(i) * Parts + part];
                }
                continue;
            }
            int32_t phase = truncateToInt32(f * static_cast<double>(filter.phases) + 0.5);
            if (phase == filter.phases) {
                whole += 1;
                phase = 0;
            }
            const double* h = filter.taps + static_cast<std::size_t>(phase) * filter.rows;
            int32_t i = w - whole + halfLength - 1;
            if (i < 0) {
                i += length;
            }
            double sum[Parts];
            for (int part = 0; part < Parts; ++part) {
                sum[part] = 0.0;
            }
            // One pass over the taps in their order, split where the window
            // crosses the buffer's seam (at most once), so that no tap pays a
            // wrap test: a wrap test per tap measured a third slower.
            const int32_t beforeSeam = i + 1 < filter.rows ? i + 1 : filter.rows;
            for (int32_t t = 0; t < beforeSeam; ++t) {
                for (int part = 0; part < Parts; ++part) {
                    sum[part] = sum[part] + h[t] * x[static_cast<std::size_t>(i - t) * Parts + part];
                }
            }
            for (int32_t t = beforeSeam; t < filter.rows; ++t) {
                const std::size_t e = static_cast<std::size_t>(i - t + length);
                for (int part = 0; part < Parts; ++part) {
                    sum[part] = sum[part] + h[t] * x[e * Parts + part];
                }
            }
            for (int part = 0; part < Parts; ++part) {
                y[part] = sum[part];
            }
        }
    }
    // Formed in 64 bits: writeIndex + F may pass the 32-bit range. Only a
    // frame longer than the buffer needs the division.
    int64_t advanced = int64_t{writeIndex} + frame;
    if (advanced >= length) {
        advanced -= length;
    }
    if (advanced >= length) {
        advanced %= length;
    }
    writeIndex = static_cast<int32_t>(advanced);
}

inline void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                           DelayMode mode, const FrameSignals& signals, double* buffer,
                           int32_t& writeIndex) {
    delayFrame<1>(sizes, filter, mode, signals, buffer, writeIndex);
}

inline void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                              DelayMode mode, const FrameSignals& signals, double* buffer,
                              int32_t& writeIndex) {
    delayFrame<2>(sizes, filter, mode, signals, buffer, writeIndex);
}

}  // namespace quorbelin::bench::baseline

#endif
