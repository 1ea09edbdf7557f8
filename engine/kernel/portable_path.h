// The path for any x86-64 and any channel count, from delays decoded once:
// FIR tiles one channel at a time, linear ones sample after sample over
// blocks of channels. It serves per-channel delay mode, the channels left
// over from the vector tiles and CPUs without wider vector units.
#ifndef QUORBELIN_ENGINE_KERNEL_PORTABLE_PATH_H
#define QUORBELIN_ENGINE_KERNEL_PORTABLE_PATH_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"

namespace quorbelin::kernel {

// Channels firstChannel ... firstChannel + channels - 1 for the decoded
// samples firstSample ... firstSample + samples - 1 (per-sample delay mode).
template <int Parts>
void delayTilePortable(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
                       int32_t firstChannel, int32_t channels, const DelayLineSizes& sizes,
                       int32_t rows, const FrameSignals& signals, double* buffer) {
    const int32_t length = sizes.bufferLength;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    for (int32_t c = firstChannel; c < firstChannel + channels; ++c) {
        double* line = buffer + static_cast<std::size_t>(c) * length * Parts;
        const double* const* input = signals.input + c * frame + firstSample;
        double* output = signals.output + (c * frame + firstSample) * Parts;
        for (int32_t k = 0; k < samples; ++k) {
            const DecodedSample& sample = decoded[k];
            // Stored before anything is read, so a delay of 0 is the input.
            copyEntry<Parts>(input[k], line + static_cast<std::size_t>(sample.newest) * Parts);
            interpolateDecoded<Parts>(line, length, rows, sample, output + k * Parts);
        }
    }
}

// Channels taken together by the linear path: their input references,
// outputs and delay-line entries stay in L1 even at power-of-two strides.
inline constexpr int32_t linearChannelBlock = 8;

// Linear interpolation only (no sample of the tile uses the filter): for a
// block of channels, sample after sample with the channels inside, so each
// decoded delay is read once and serves the whole block from registers.
template <int Parts>
void delayLinearTilePortable(const DecodedSample* decoded, int32_t firstSample,
                             int32_t samples, int32_t firstChannel, int32_t channels,
                             const DelayLineSizes& sizes, const FrameSignals& signals,
                             double* buffer) {
    const std::size_t stride = static_cast<std::size_t>(sizes.bufferLength) * Parts;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    for (int32_t c0 = firstChannel; c0 < firstChannel + channels; c0 += linearChannelBlock) {
        const int32_t remaining = firstChannel + channels - c0;
        const int32_t block = remaining < linearChannelBlock ? remaining : linearChannelBlock;
        double* const lines = buffer + c0 * stride;
        const double* const* const input = signals.input + c0 * frame + firstSample;
        double* const output = signals.output + (c0 * frame + firstSample) * Parts;
        for (int32_t k = 0; k < samples; ++k) {
            const DecodedSample sample = decoded[k];
            const std::size_t newest = static_cast<std::size_t>(sample.newest) * Parts;
            const std::size_t older = static_cast<std::size_t>(sample.older) * Parts;
            const std::size_t younger = static_cast<std::size_t>(sample.start) * Parts;
            double* line = lines;
            for (int32_t c = 0; c < block; ++c, line += stride) {
                const double* in = input[c * frame + k];
                double* out = output + (c * frame + k) * Parts;
                for (int part = 0; part < Parts; ++part) {
                    // Stored before anything is read, so a delay of 0 is the input.
                    line[newest + part] = in[part];
                    out[part] = sample.fraction * line[older + part] +
                                sample.complement * line[younger + part];
                }
            }
        }
    }
}

// The same sample one entry later: the frame's next sample under a delay
// that stays the same.
inline void advanceDecoded(DecodedSample& sample, int32_t length, int32_t rows) {
    sample.newest = nextEntry(sample.newest, length);
    sample.start = nextEntry(sample.start, length);
    if (sample.taps == nullptr) {
        sample.older = nextEntry(sample.older, length);
    } else {
        sample.firstRun = sample.start + 1 >= rows ? rows : sample.start + 1;
    }
}

// Per-channel delay mode: each channel's delay is decoded once for its frame.
template <int Parts>
void delayFramePerChannelPortable(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                                  const FrameSignals& signals, double* buffer,
                                  int32_t writeIndex) {
    const int32_t length = sizes.bufferLength;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    if (frame == 0) {
        return;
    }
    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* line = buffer + static_cast<std::size_t>(c) * length * Parts;
        const double* const* input = signals.input + c * frame;
        double* output = signals.output + c * frame * Parts;
        DecodedSample sample =
            decodeSample(nextEntry(writeIndex, length), *signals.delays[c], sizes, filter);
        for (std::size_t s = 0; s < frame; ++s) {
            if (s > 0) {
                advanceDecoded(sample, length, filter.rows);
            }
            copyEntry<Parts>(input[s], line + static_cast<std::size_t>(sample.newest) * Parts);
            interpolateDecoded<Parts>(line, length, filter.rows, sample, output + s * Parts);
        }
    }
}

}  // namespace quorbelin::kernel

#endif
