// Linear interpolation (an empty filter) in vector lanes: consecutive samples
// of one channel side by side. Included, like fir_lanes.h, by one source
// file per instruction set after it has selected its target, with the same
// Isa operations.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_LINEAR_LANES_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_LINEAR_LANES_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"

namespace quorbelin::kernel {

// Copies samples referenced one by one to consecutive entries: plain loads
// and stores, or, for real data where gathers are fast, a vector of them
// gathered through its references at a time.
template <VectorOps Isa, int Parts, bool Gather>
void storeSamples(const double* const* in, int32_t samples, double* to) {
    int32_t k = 0;
    if constexpr (Gather && Parts == 1) {
        for (; k + Isa::width <= samples; k += Isa::width) {
            Isa::storeu(to + k, Isa::gatherThrough(in + k));
        }
    }
    for (; k < samples; ++k) {
        copyEntry<Parts>(in[k], to + k * Parts);
    }
}

// Linear interpolation (an empty filter) with consecutive samples of one
// channel side by side. The tile's delays are split once, straight into lane
// tables: the times of the two samples each output reads and their weights
// (a lane is one part of one sample). Every channel then copies its history
// and the tile's samples into a seamless time-ordered window, reads the two
// neighbouring entries of each output (with one load, or with two gathers
// where gathers are fast), and stores the tile into its buffer. Each lane computes f * older +
// (1 - f) * younger exactly as one sample at a time does. Serves tiles whose
// reads span at most linearWindow samples and stop short of age L (the sample
// just stored); returns false, having changed nothing, for others.
inline constexpr int32_t linearWindow = 1024;

template <VectorOps Isa, int Parts, bool Gather>
bool delayLinearTileLanes(int32_t newest, int32_t firstSample, int32_t samples,
                          const DelayLineSizes& sizes, const FrameSignals& signals,
                          double* buffer) {
    using Vec = typename Isa::Vec;
    constexpr int width = Isa::width;
    constexpr int32_t maxLanes = decodeTileSamples * Parts;
    const int32_t length = sizes.bufferLength;
    // Lane tables, padded to whole vectors: the entry of age D as a time
    // relative to the tile's first sample, scaled to doubles (age D + 1 is
    // one entry before it), and the two weights.
    alignas(64) int32_t youngerAt[maxLanes + width];
    alignas(64) double fraction[maxLanes + width];
    alignas(64) double complement[maxLanes + width];
    int32_t first = 0;        // oldest time read (every sample reads one before it)
    int32_t last = -length;   // newest time read
    int32_t longest = 0;      // the largest whole delay
    for (int32_t k = 0; k < samples; ++k) {
        const SplitDelay split = splitDelay(*signals.delays[firstSample + k], sizes.maxDelay);
        const int32_t younger = k - split.whole;
        first = younger - 1 < first ? younger - 1 : first;
        last = younger > last ? younger : last;
        longest = split.whole > longest ? split.whole : longest;
        const double weight = 1.0 - split.fraction;
        for (int part = 0; part < Parts; ++part) {
            youngerAt[k * Parts + part] = younger * Parts + part;
            fraction[k * Parts + part] = split.fraction;
            complement[k * Parts + part] = weight;
        }
    }
    if (longest + 1 >= length || last - first + 1 > linearWindow) {
        return false;
    }
    const int32_t lanes = samples * Parts;
    const int32_t paddedLanes = (lanes + width - 1) / width * width;
    for (int32_t lane = lanes; lane < paddedLanes; ++lane) {
        youngerAt[lane] = 0;
        fraction[lane] = 0.0;
        complement[lane] = 0.0;
    }

    const std::size_t stride = static_cast<std::size_t>(length) * Parts;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    const int32_t history = (last < 0 ? last + 1 : 0) - first;  // times first ... read
    int32_t start = newest + first;
    if (start < 0) {
        start += length;
    }
    const int32_t historyRun = history < length - start ? history : length - start;
    // The tile's entries from newest up to the seam; the rest wrap around
    // (more than once when the tile is longer than the buffer).
    const int32_t tileRun = samples < length - newest ? samples : length - newest;
    alignas(64) double window[(linearWindow + decodeTileSamples) * Parts];
    alignas(64) double out[width];
    // When the entries read and written lie between the buffer's ends, the
    // buffer itself is seamless: the tile is stored and read in place.
    const bool inPlace = start <= newest && newest + samples <= length;
    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* line = buffer + c * stride;
        const double* const* in = signals.input + c * frame + firstSample;
        double* now = line + static_cast<std::size_t>(newest) * Parts;  // time 0
        if (inPlace) {
            storeSamples<Isa, Parts, Gather>(in, samples, now);
        } else {
            // The history first: the tile's samples may overwrite it. Each
            // pass stores to consecutive addresses.
            const double* from = line + static_cast<std::size_t>(start) * Parts;
            for (int32_t e = 0; e < historyRun * Parts; ++e) {
                window[e] = from[e];
            }
            for (int32_t e = historyRun * Parts; e < history * Parts; ++e) {
                window[e] = line[e - historyRun * Parts];
            }
            now = window + static_cast<std::size_t>(-first) * Parts;
            storeSamples<Isa, Parts, Gather>(in, samples, now);
            double* to = line + static_cast<std::size_t>(newest) * Parts;
            for (int32_t e = 0; e < tileRun * Parts; ++e) {
                to[e] = now[e];
            }
            for (int32_t run = tileRun; run < samples; run += length) {
                const int32_t count = samples - run < length ? samples - run : length;
                for (int32_t e = 0; e < count * Parts; ++e) {
                    line[e] = now[run * Parts + e];
                }
            }
        }
        double* output = signals.output + (c * frame + firstSample) * Parts;
        for (int32_t lane = 0; lane < lanes; lane += width) {
            Vec older;
            Vec younger;
            if constexpr (Gather) {
                older = Isa::gatherAt(now - Parts, youngerAt + lane);
                younger = Isa::gatherAt(now, youngerAt + lane);
            } else {
                Isa::template neighbours<Parts>(now, youngerAt + lane, older, younger);
            }
            const Vec y = Isa::add(Isa::mul(Isa::load(fraction + lane), older),
                                   Isa::mul(Isa::load(complement + lane), younger));
            if (lane + width <= lanes) {
                Isa::storeu(output + lane, y);
            } else {
                Isa::store(out, y);
                for (int32_t e = 0; lane + e < lanes; ++e) {
                    output[lane + e] = out[e];
                }
            }
        }
    }
    return true;
}


}  // namespace quorbelin::kernel

#endif
