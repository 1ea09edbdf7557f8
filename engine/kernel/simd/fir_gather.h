// The FIR lanes read straight from the delay lines: one gather per tap at the
// buffers' stride fetches an entry of every channel in the tile. The fallback
// for tiles whose reads do not fit a time window (see fir_time_window.h).
// Part of fir_lanes.h; instruction-set templates like it.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_FIR_GATHER_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_FIR_GATHER_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"

namespace quorbelin::kernel {

// FIR samples computed together, each its own chain of additions, so the
// adder's latency is hidden when there are few channels.
inline constexpr int32_t laneSampleGroup = 4;

template <VectorOps Isa, int Parts>
typename Isa::Index laneOffsets(int32_t length) {
    alignas(64) int64_t offsets[Isa::width];
    for (int lane = 0; lane < Isa::width; ++lane) {
        offsets[lane] = static_cast<int64_t>(lane / Parts) * length * Parts + lane % Parts;
    }
    return Isa::loadIndex(offsets);
}

// Entry e in every lane's buffer.
template <VectorOps Isa, int Parts>
typename Isa::Vec gatherEntry(const double* lines, int32_t e, typename Isa::Index offsets) {
    return Isa::gather(lines + static_cast<std::ptrdiff_t>(e) * Parts, offsets);
}

template <VectorOps Isa, int Parts>
typename Isa::Vec interpolateLanes(const double* lines, int32_t length, int32_t rows,
                                   const DecodedSample& decoded,
                                   typename Isa::Index offsets) {
    using Vec = typename Isa::Vec;
    if (decoded.taps == nullptr) {
        const Vec older = gatherEntry<Isa, Parts>(lines, decoded.older, offsets);
        const Vec younger = gatherEntry<Isa, Parts>(lines, decoded.start, offsets);
        return Isa::add(Isa::mul(Isa::broadcast(decoded.fraction), older),
                        Isa::mul(Isa::broadcast(decoded.complement), younger));
    }
    const double* taps = decoded.taps;
    const int32_t i = decoded.start;
    Vec sum = Isa::zero();
    for (int32_t t = 0; t < decoded.firstRun; ++t) {
        sum = Isa::add(sum, Isa::mul(Isa::broadcast(taps[t]),
                                     gatherEntry<Isa, Parts>(lines, i - t, offsets)));
    }
    for (int32_t t = decoded.firstRun; t < rows; ++t) {
        sum = Isa::add(sum, Isa::mul(Isa::broadcast(taps[t]),
                                     gatherEntry<Isa, Parts>(lines, length - (t - i), offsets)));
    }
    return sum;
}

// True when the next laneSampleGroup samples may be stored first and then
// summed together: all FIR windows clear of the seam, and none reaching back
// to an entry that a later sample of the group overwrites (ages L - G + 1 ...
// L - 1). Otherwise the samples go one at a time.
template <VectorOps Isa>
bool groupable(const DecodedSample* decoded, int32_t available, int32_t length,
                      int32_t rows) {
    if (available < laneSampleGroup) {
        return false;
    }
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        if (decoded[g].taps == nullptr || decoded[g].firstRun != rows ||
            decoded[g].oldestAge > length - laneSampleGroup) {
            return false;
        }
    }
    return true;
}

// Rows is the tap count when known at compile time (0: taken from rows).
template <VectorOps Isa, int Parts, int Rows>
void sumGroup(const double* lines, int32_t rows, const DecodedSample* decoded,
              typename Isa::Index offsets, double (*out)[Isa::width]) {
    using Vec = typename Isa::Vec;
    const int32_t taps = Rows > 0 ? Rows : rows;
    Vec sum[laneSampleGroup];
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        sum[g] = Isa::zero();
    }
    for (int32_t t = 0; t < taps; ++t) {
        for (int32_t g = 0; g < laneSampleGroup; ++g) {
            const Vec x = gatherEntry<Isa, Parts>(lines, decoded[g].start - t, offsets);
            sum[g] = Isa::add(sum[g], Isa::mul(Isa::broadcast(decoded[g].taps[t]), x));
        }
    }
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        Isa::store(out[g], sum[g]);
    }
}


}  // namespace quorbelin::kernel

#endif
