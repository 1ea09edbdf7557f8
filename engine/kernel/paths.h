// The kernel's code paths. delayFrameReal and delayFrameComplex take the
// fastest one this CPU runs; tests and benchmarks name a path to compare them.
// Every path gives the same results, bit for bit.
#ifndef QUORBELIN_ENGINE_KERNEL_PATHS_H
#define QUORBELIN_ENGINE_KERNEL_PATHS_H

#include <cstdint>

#include "engine/kernel/fractional_delay.h"

namespace quorbelin {

enum class KernelPath : uint8_t {
    portable,  // any x86-64: one channel at a time
    avx2,      // 4 doubles per vector, channels side by side
    avx512,    // 8 doubles per vector, channels side by side
};

inline constexpr KernelPath allKernelPaths[] = {KernelPath::portable, KernelPath::avx2,
                                                KernelPath::avx512};

const char* kernelPathName(KernelPath path);
bool kernelPathAvailable(KernelPath path);
// Determined once, from the CPU.
KernelPath fastestKernelPath();

// As delayFrameReal / delayFrameComplex on the given path; a path this CPU
// cannot run falls back to the portable one.
void delayFrameRealOn(KernelPath path, const DelayLineSizes& sizes,
                      const InterpolationFilter& filter, DelayMode mode,
                      const FrameSignals& signals, double* buffer, int32_t& writeIndex);
void delayFrameComplexOn(KernelPath path, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, DelayMode mode,
                         const FrameSignals& signals, double* buffer, int32_t& writeIndex);

}  // namespace quorbelin

#endif
