#include "engine/kernel/fractional_delay.h"

#include <cstddef>

#include "engine/kernel/path_choice.h"
#include "engine/kernel/paths.h"
#include "engine/kernel/portable_path.h"
#include "engine/kernel/one_sample.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/lane_path.h"

namespace quorbelin {
namespace {

kernel::LanePath lanePath(KernelPath path, int parts) {
    switch (path) {
    case KernelPath::avx512: return kernel::avx512LanePath(parts);
    case KernelPath::avx2: return kernel::avx2LanePath(parts);
    case KernelPath::portable: break;
    }
    return {};
}

// Per-sample delay mode, a tile of samples at a time. With an empty filter the
// vector path takes every channel with consecutive samples side by side.
// Otherwise the tile is decoded once and run through every channel: a tile
// of linear samples sample after sample over blocks of channels; one with
// FIR samples with channels side by side on the vector path, the channels
// left over one at a time.
template <int Parts>
void delayFramePerSample(KernelChoice choice, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, const FrameSignals& signals,
                         double* buffer, int32_t writeIndex) {
    if (sizes.channels == 0) {
        return;
    }
    const kernel::LanePath lanes = lanePath(choice.path, Parts);
    const kernel::LinearTileFunction linear = choice.gathers ? lanes.linearGathering : lanes.linear;
    const int32_t laneChannels =
        lanes.run == nullptr ? 0 : sizes.channels / lanes.tileChannels * lanes.tileChannels;
    const int32_t length = sizes.bufferLength;
    kernel::DecodedSample decoded[kernel::decodeTileSamples];
    int32_t newest = writeIndex;
    for (int32_t first = 0; first < sizes.frameSize; first += kernel::decodeTileSamples) {
        const int32_t remaining = sizes.frameSize - first;
        const int32_t samples =
            remaining < kernel::decodeTileSamples ? remaining : kernel::decodeTileSamples;
        if (filter.taps == nullptr && linear != nullptr &&
            linear(kernel::nextEntry(newest, length), first, samples, sizes, signals,
                         buffer)) {
            // Formed in 64 bits; a tile may be longer than the buffer.
            newest = static_cast<int32_t>((int64_t{newest} + samples) % length);
            continue;
        }
        bool anyFir = false;
        for (int32_t k = 0; k < samples; ++k) {
            newest = kernel::nextEntry(newest, length);
            decoded[k] = kernel::decodeSample(newest, *signals.delays[first + k], sizes, filter);
            anyFir = anyFir || decoded[k].taps != nullptr;
        }
        if (!anyFir) {
            kernel::delayLinearTilePortable<Parts>(decoded, first, samples, 0, sizes.channels,
                                                   sizes, signals, buffer);
            continue;
        }
        // Without fast gathers, a tile whose reads do not fit the lanes' time
        // window goes one channel at a time.
        const int32_t tileLaneChannels =
            choice.gathers || kernel::timeWindow(decoded, samples, length).rows > 0
                ? laneChannels
                : 0;
        if (tileLaneChannels > 0) {
            lanes.run(decoded, first, samples, tileLaneChannels, sizes, filter.rows, signals,
                      buffer);
        }
        kernel::delayTilePortable<Parts>(decoded, first, samples, tileLaneChannels,
                                         sizes.channels - tileLaneChannels, sizes, filter.rows,
                                         signals, buffer);
    }
}

// Frame size 1 (a hit carries one sample per channel): the one decoded delay
// serves every channel, without tiles or lanes.
template <int Parts>
inline void delayChannelsOneSample(const DelayLineSizes& sizes, int32_t rows,
                                   const kernel::DecodedSample& sample,
                                   const FrameSignals& signals, double* buffer) {
    const int32_t length = sizes.bufferLength;
    const std::size_t stride = static_cast<std::size_t>(length) * Parts;
    const std::size_t newest = static_cast<std::size_t>(sample.newest) * Parts;
    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* line = buffer + c * stride;
        const double* in = signals.input[c];
        // Stored before anything is read, so a delay of 0 is the input.
        for (int part = 0; part < Parts; ++part) {
            line[newest + part] = in[part];
        }
        kernel::interpolateDecoded<Parts>(line, length, rows, sample, signals.output + c * Parts);
    }
}

// Decoded in the same function as the channel loop, so the decoded sample
// stays in registers; one loop per interpolation, so the linear one carries
// none of the FIR sum's set-up.
template <int Parts>
inline void delaySingleSample(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                              const FrameSignals& signals, double* buffer, int32_t writeIndex) {
    const kernel::DecodedSample sample = kernel::decodeSample(
        kernel::nextEntry(writeIndex, sizes.bufferLength), *signals.delays[0], sizes, filter);
    // The two calls are the same code on purpose: inlined into each branch,
    // the channel loop knows whether taps is null and keeps one interpolation.
    if (sample.taps == nullptr) {
        delayChannelsOneSample<Parts>(sizes, filter.rows, sample, signals, buffer);
    } else {
        delayChannelsOneSample<Parts>(sizes, filter.rows, sample, signals, buffer);
    }
}

// Real data without loop vectorisation: GCC's vectorised form of the linear
// channel loop costs more to set up than one or a few channels take. Straight-
// line vectorisation stays on. Complex data keeps both: its two parts are
// added side by side.
#if defined(__clang__)
#define QUORBELIN_SCALAR_CODE
#else
#define QUORBELIN_SCALAR_CODE __attribute__((optimize("no-tree-loop-vectorize")))
#endif
template <int Parts>
QUORBELIN_SCALAR_CODE void delaySingleSampleScalar(const DelayLineSizes& sizes,
                                                   const InterpolationFilter& filter,
                                                   const FrameSignals& signals, double* buffer,
                                                   int32_t writeIndex) {
    delaySingleSample<Parts>(sizes, filter, signals, buffer, writeIndex);
}

// Kept out of line, so that the frame-1 call above saves no registers for it.
template <int Parts>
__attribute__((noinline)) void delayLongerFrame(KernelChoice choice, const DelayLineSizes& sizes,
                                                const InterpolationFilter& filter,
                                                DelayMode mode, const FrameSignals& signals,
                                                double* buffer, int32_t writeIndex) {
    if (mode == DelayMode::perChannel) {
        kernel::delayFramePerChannelPortable<Parts>(sizes, filter, signals, buffer, writeIndex);
    } else {
        delayFramePerSample<Parts>(choice, sizes, filter, signals, buffer, writeIndex);
    }
}

template <int Parts>
void delayFrame(KernelChoice choice, const DelayLineSizes& sizes, const InterpolationFilter& filter,
                DelayMode mode, const FrameSignals& signals, double* buffer,
                int32_t& writeIndex) {
    if (mode == DelayMode::perSample && sizes.frameSize == 1) {
        if constexpr (Parts == 1) {
            delaySingleSampleScalar<Parts>(sizes, filter, signals, buffer, writeIndex);
        } else {
            delaySingleSample<Parts>(sizes, filter, signals, buffer, writeIndex);
        }
    } else {
        delayLongerFrame<Parts>(choice, sizes, filter, mode, signals, buffer, writeIndex);
    }
    // Formed in 64 bits: writeIndex + F may pass the 32-bit range. A frame
    // shorter than the buffer needs no division.
    const int64_t advanced = static_cast<int64_t>(writeIndex) + sizes.frameSize;
    const int64_t length = sizes.bufferLength;
    writeIndex = static_cast<int32_t>(advanced < length           ? advanced
                                      : advanced - length < length ? advanced - length
                                                                   : advanced % length);
}

}  // namespace

const char* kernelPathName(KernelPath path) {
    switch (path) {
    case KernelPath::avx512: return "avx512";
    case KernelPath::avx2: return "avx2";
    case KernelPath::portable: break;
    }
    return "portable";
}

bool kernelPathAvailable(KernelPath path) {
    __builtin_cpu_init();
    switch (path) {
    case KernelPath::avx512: return __builtin_cpu_supports("avx512f");
    case KernelPath::avx2: return __builtin_cpu_supports("avx2");
    case KernelPath::portable: break;
    }
    return true;
}

namespace {

// Settled when the library is loaded, so the output call tests no guard.
const KernelChoice chosen = chooseKernel(describeThisCpu());

// A forced choice on a CPU without its path runs the portable one.
KernelChoice runnable(KernelChoice choice) {
    return kernelPathAvailable(choice.path) ? choice : KernelChoice{};
}

}  // namespace

KernelChoice chosenKernel() { return chosen; }

KernelPath fastestKernelPath() { return chosen.path; }

void delayFrameRealOn(KernelChoice choice, const DelayLineSizes& sizes,
                      const InterpolationFilter& filter, DelayMode mode,
                      const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrame<1>(runnable(choice), sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameComplexOn(KernelChoice choice, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, DelayMode mode,
                         const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrame<2>(runnable(choice), sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                    DelayMode mode, const FrameSignals& signals, double* buffer,
                    int32_t& writeIndex) {
    delayFrame<1>(chosen, sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                       DelayMode mode, const FrameSignals& signals, double* buffer,
                       int32_t& writeIndex) {
    delayFrame<2>(chosen, sizes, filter, mode, signals, buffer, writeIndex);
}

void delayOneSampleReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                        const double* input, double delay, double* output, double* buffer,
                        int32_t& writeIndex) {
    kernel::delayOneSample<1>(sizes, filter, input, delay, output, buffer, writeIndex);
}

void delayOneSampleComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                           const double* input, double delay, double* output, double* buffer,
                           int32_t& writeIndex) {
    kernel::delayOneSample<2>(sizes, filter, input, delay, output, buffer, writeIndex);
}

}  // namespace quorbelin
