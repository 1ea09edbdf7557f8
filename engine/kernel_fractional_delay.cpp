#include "engine/kernel_fractional_delay.h"

#include <cstddef>

#include "engine/kernel_lane_paths.h"
#include "engine/kernel_paths.h"
#include "engine/kernel_portable.h"
#include "engine/kernel_sample_decode.h"

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

// Per-sample delay mode: each tile of samples is decoded once and then run
// through every channel, the channel tiles on the vector path, the channels
// left over one at a time.
template <int Parts>
void delayFramePerSample(KernelPath path, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, const FrameSignals& signals,
                         double* buffer, int32_t writeIndex) {
    if (sizes.channels == 0) {
        return;
    }
    const kernel::LanePath lanes = lanePath(path, Parts);
    const int32_t laneChannels =
        lanes.run == nullptr ? 0 : sizes.channels / lanes.tileChannels * lanes.tileChannels;
    const int32_t length = sizes.bufferLength;
    kernel::DecodedSample decoded[kernel::decodeTileSamples];
    int32_t newest = writeIndex;
    for (int32_t first = 0; first < sizes.frameSize; first += kernel::decodeTileSamples) {
        const int32_t remaining = sizes.frameSize - first;
        const int32_t samples =
            remaining < kernel::decodeTileSamples ? remaining : kernel::decodeTileSamples;
        for (int32_t k = 0; k < samples; ++k) {
            newest = kernel::nextEntry(newest, length);
            decoded[k] = kernel::decodeSample(newest, *signals.delays[first + k], sizes, filter);
        }
        if (laneChannels > 0) {
            lanes.run(decoded, first, samples, laneChannels, sizes, filter.rows, signals, buffer);
        }
        kernel::delayTilePortable<Parts>(decoded, first, samples, laneChannels,
                                         sizes.channels - laneChannels, sizes, filter.rows,
                                         signals, buffer);
    }
}

template <int Parts>
void delayFrame(KernelPath path, const DelayLineSizes& sizes, const InterpolationFilter& filter,
                DelayMode mode, const FrameSignals& signals, double* buffer,
                int32_t& writeIndex) {
    if (mode == DelayMode::perChannel) {
        kernel::delayFramePerChannelPortable<Parts>(sizes, filter, signals, buffer, writeIndex);
    } else {
        delayFramePerSample<Parts>(path, sizes, filter, signals, buffer, writeIndex);
    }
    // Formed in 64 bits: writeIndex + F may pass the 32-bit range.
    writeIndex = static_cast<int32_t>((static_cast<int64_t>(writeIndex) + sizes.frameSize) %
                                      sizes.bufferLength);
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

KernelPath fastestKernelPath() {
    static const KernelPath fastest = kernelPathAvailable(KernelPath::avx512) ? KernelPath::avx512
                                      : kernelPathAvailable(KernelPath::avx2) ? KernelPath::avx2
                                                                              : KernelPath::portable;
    return fastest;
}

void delayFrameRealOn(KernelPath path, const DelayLineSizes& sizes,
                      const InterpolationFilter& filter, DelayMode mode,
                      const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrame<1>(kernelPathAvailable(path) ? path : KernelPath::portable, sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameComplexOn(KernelPath path, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, DelayMode mode,
                         const FrameSignals& signals, double* buffer, int32_t& writeIndex) {
    delayFrame<2>(kernelPathAvailable(path) ? path : KernelPath::portable, sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                    DelayMode mode, const FrameSignals& signals, double* buffer,
                    int32_t& writeIndex) {
    delayFrame<1>(fastestKernelPath(), sizes, filter, mode, signals, buffer, writeIndex);
}

void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                       DelayMode mode, const FrameSignals& signals, double* buffer,
                       int32_t& writeIndex) {
    delayFrame<2>(fastestKernelPath(), sizes, filter, mode, signals, buffer, writeIndex);
}

}  // namespace quorbelin
