// The kernel's code paths. delayFrameReal and delayFrameComplex take the one
// chosen for this CPU; tests and benchmarks name a path to compare them.
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

// A path, and whether its FIR lanes may gather (path_choice.h says where).
struct KernelChoice {
    KernelPath path = KernelPath::portable;
    bool gathers = false;
};

const char* kernelPathName(KernelPath path);
bool kernelPathAvailable(KernelPath path);
// Settled once, when the library is loaded, from this CPU (path_choice.h).
KernelChoice chosenKernel();
KernelPath fastestKernelPath();

// As delayFrameReal / delayFrameComplex with the given choice, for tests and
// benchmarks; a path this CPU cannot run falls back to the portable one.
void delayFrameRealOn(KernelChoice choice, const DelayLineSizes& sizes,
                      const InterpolationFilter& filter, DelayMode mode,
                      const FrameSignals& signals, double* buffer, int32_t& writeIndex);
void delayFrameComplexOn(KernelChoice choice, const DelayLineSizes& sizes,
                         const InterpolationFilter& filter, DelayMode mode,
                         const FrameSignals& signals, double* buffer, int32_t& writeIndex);

}  // namespace quorbelin

#endif
