// The vector paths of per-sample delay mode, one source file per instruction
// set (simd/avx2.cpp, simd/avx512.cpp). Called only on a CPU
// that has the instruction set.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_LANE_PATH_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_LANE_PATH_H

#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"

namespace quorbelin::kernel {

// Delays channels [0, channels), a multiple of tileChannels, for the decoded
// samples firstSample ... firstSample + samples - 1.
using LaneTileFunction = void (*)(const DecodedSample* decoded, int32_t firstSample,
                                  int32_t samples, int32_t channels,
                                  const DelayLineSizes& sizes, int32_t rows,
                                  const FrameSignals& signals, double* buffer);

// With an empty filter: delays every channel for the samples firstSample ...
// firstSample + samples - 1, the first of them stored in entry newest,
// consecutive samples side by side; false (and nothing done) when the tile's
// reads do not fit its window.
using LinearTileFunction = bool (*)(int32_t newest, int32_t firstSample, int32_t samples,
                                    const DelayLineSizes& sizes, const FrameSignals& signals,
                                    double* buffer);

struct LanePath {
    int32_t tileChannels = 0;  // channels per vector
    LaneTileFunction run = nullptr;
    LinearTileFunction linear = nullptr;
    // The same with gathers, for CPUs where they are fast: faster there for
    // real data, not for complex data (whose entries are two doubles each).
    LinearTileFunction linearGathering = nullptr;
};

// Parts: 1 for real data, 2 for complex.
LanePath avx2LanePath(int parts);
LanePath avx512LanePath(int parts);

}  // namespace quorbelin::kernel

#endif
