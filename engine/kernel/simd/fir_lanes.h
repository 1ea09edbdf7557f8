// The FIR path of per-sample delay mode, with the channels side by side in
// vector lanes.
//
// Channels are independent, and in this mode every channel reads the same
// buffer positions for a sample, only in its own buffer: lane l of a vector
// holds part l % Parts of channel l / Parts. The taps and weights are the
// same in every lane, so each lane computes exactly the sum a single channel
// would, in the same order: the results are bit-identical to one channel at a
// time. Only independent outputs run side by side. A tile's samples are read
// from a time window (fir_time_window.h) or, when they do not fit one,
// gathered from the delay lines (fir_gather.h).
//
// Included by one source file per instruction set, after it has included
// the headers these include and then selected its target. Everything here is
// a template on Isa, that file's own VectorOps type (simd/vector_ops.h), so
// no function compiled for one instruction set is shared with another.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_FIR_LANES_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_FIR_LANES_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"
#include "engine/kernel/simd/fir_gather.h"
#include "engine/kernel/simd/fir_time_window.h"
#include "engine/kernel/simd/lane_output_writes.h"

namespace quorbelin::kernel {

// Delays channels [0, channels) of the frame (a multiple of width / Parts)
// for the decoded samples firstSample ... firstSample + samples - 1.
template <VectorOps Isa, int Parts, int Rows>
void delayLaneTiles(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
                    int32_t channels, const DelayLineSizes& sizes, int32_t rows,
                    const FrameSignals& signals, double* buffer) {
    constexpr int width = Isa::width;
    constexpr int tileChannels = width / Parts;
    const int32_t length = sizes.bufferLength;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    const std::size_t stride = static_cast<std::size_t>(length) * Parts;
    const typename Isa::Index offsets = laneOffsets<Isa, Parts>(length);
    // The outputs of a tile, sample-major; written to the port channel by
    // channel afterwards, so the port's stride of F (often a power of two)
    // never meets a vector store.
    alignas(64) double out[decodeTileSamples][width];

    const TimeWindow window = timeWindow(decoded, samples, length);
    alignas(64) double rowsOfTime[windowRows][width];

    for (int32_t c0 = 0; c0 < channels; c0 += tileChannels) {
        double* lines = buffer + static_cast<std::size_t>(c0) * stride;
        const double* const* input =
            signals.input + static_cast<std::size_t>(c0) * frame + firstSample;
        auto store = [&](int32_t k) {
            const std::size_t slot = static_cast<std::size_t>(decoded[k].newest) * Parts;
            for (int cc = 0; cc < tileChannels; ++cc) {
                copyEntry<Parts>(input[cc * frame + k], lines + cc * stride + slot);
            }
        };
        if (window.rows > 0 && length >= samples - window.first) {
            // With a buffer this long, no sample of the tile overwrites an
            // entry the window holds: store the tile first, then copy the
            // whole window from the buffers.
            for (int cc = 0; cc < tileChannels; ++cc) {
                double* line = lines + cc * stride;
                const double* const* in = input + cc * frame;
                for (int32_t k = 0; k < samples; ++k) {
                    copyEntry<Parts>(in[k],
                                     line + static_cast<std::size_t>(decoded[k].newest) * Parts);
                }
            }
            int32_t position = decoded[0].newest + window.first;
            if (position < 0) {
                position += length;
            }
            rowsFromBuffers<Isa, Parts>(lines, stride, length, position, window.rows,
                                        rowsOfTime);
            interpolateFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, samples, out);
        } else if (window.rows > 0) {
            fillTimeWindow<Isa, Parts>(window, decoded, samples, lines, stride, length, input,
                                       frame, rowsOfTime);
            interpolateFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, samples, out);
        } else {
            int32_t k = 0;
            while (k < samples) {
                if (groupable<Isa>(decoded + k, samples - k, length, rows)) {
                    for (int32_t g = 0; g < laneSampleGroup; ++g) {
                        store(k + g);
                    }
                    sumGroup<Isa, Parts, Rows>(lines, rows, decoded + k, offsets, out + k);
                    k += laneSampleGroup;
                } else {
                    // Stored before anything is read, so a delay of 0 is the input.
                    store(k);
                    Isa::store(out[k], interpolateLanes<Isa, Parts>(lines, length, rows,
                                                                    decoded[k], offsets));
                    k += 1;
                }
            }
        }
        writeOutputs<Isa, Parts>(
            out, samples,
            signals.output + (static_cast<std::size_t>(c0) * frame + firstSample) * Parts, frame);
    }
}

// The tap counts compiled with their loops unrolled; others run the same
// code with the count read at run time.
template <VectorOps Isa, int Parts>
void delayLaneTilesAnyRows(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
                           int32_t channels, const DelayLineSizes& sizes, int32_t rows,
                           const FrameSignals& signals, double* buffer) {
    switch (rows) {
    case 4:
        delayLaneTiles<Isa, Parts, 4>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    case 8:
        delayLaneTiles<Isa, Parts, 8>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    case 16:
        delayLaneTiles<Isa, Parts, 16>(decoded, firstSample, samples, channels, sizes, rows,
                                       signals, buffer);
        return;
    case 32:
        delayLaneTiles<Isa, Parts, 32>(decoded, firstSample, samples, channels, sizes, rows,
                                       signals, buffer);
        return;
    default:
        delayLaneTiles<Isa, Parts, 0>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    }
}


}  // namespace quorbelin::kernel

#endif
