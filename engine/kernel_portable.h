// The path for any x86-64 (and any channel count): one channel at a time,
// sample after sample, from delays decoded once. It serves per-channel delay
// mode, the channels left over from the vector tiles and CPUs without wider
// vector units.
#ifndef QUORBELIN_ENGINE_KERNEL_PORTABLE_H
#define QUORBELIN_ENGINE_KERNEL_PORTABLE_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel_fractional_delay.h"
#include "engine/kernel_sample_decode.h"

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
            double* slot = line + static_cast<std::size_t>(sample.newest) * Parts;
            for (int part = 0; part < Parts; ++part) {
                slot[part] = input[k][part];
            }
            interpolateDecoded<Parts>(line, length, rows, sample, output + k * Parts);
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
            double* slot = line + static_cast<std::size_t>(sample.newest) * Parts;
            for (int part = 0; part < Parts; ++part) {
                slot[part] = input[s][part];
            }
            interpolateDecoded<Parts>(line, length, filter.rows, sample, output + s * Parts);
        }
    }
}

}  // namespace quorbelin::kernel

#endif
