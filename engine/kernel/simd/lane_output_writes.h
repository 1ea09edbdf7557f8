// The FIR lanes' outputs: a tile's sums, held sample-major (one vector of
// every tile channel's output per sample), written to the port's channel
// runs. Part of fir_lanes.h; instruction-set templates like it.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_LANE_OUTPUT_WRITES_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_LANE_OUTPUT_WRITES_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/kernel/simd/vector_ops.h"

namespace quorbelin::kernel {

// Doubles from ... end - 1 of channel cc's run of the tile (double e is part
// e % Parts of sample e / Parts), from the sample-major outputs.
template <VectorOps Isa, int Parts>
void copyRunDoubles(const double (*out)[Isa::width], int cc, int32_t from, int32_t end,
                    double* run) {
    for (int32_t e = from; e < end; ++e) {
        run[e] = out[e / Parts][cc * Parts + e % Parts];
    }
}

// Writes the tile's outputs (sample-major) to the port, channel after
// channel: blocks of width / Parts samples transposed into each channel's
// run. Shift is where the runs start within a vector-aligned span (every run
// starts at the same place): a vector store that straddles two cache lines
// costs about two, so with Shift > 0 each aligned span is put together from
// two neighbouring blocks, and only the runs' ends are written one double at
// a time.
template <VectorOps Isa, int Parts, int Shift>
void writeOutputsShifted(const double (*out)[Isa::width], int32_t samples, double* output,
                         std::size_t frame) {
    using Vec = typename Isa::Vec;
    constexpr int width = Isa::width;
    constexpr int block = width / Parts;
    const int32_t blocks = samples / block;
    auto run = [output, frame](int cc) { return output + cc * frame * Parts; };
    Vec previous[block];
    for (int32_t j = 0; j < blocks; ++j) {
        Vec v[block];
        for (int i = 0; i < block; ++i) {
            v[i] = Isa::load(out[j * block + i]);
        }
        Isa::template transpose<Parts>(v);
        for (int cc = 0; cc < block; ++cc) {
            if constexpr (Shift == 0) {
                Isa::store(run(cc) + j * width, v[cc]);
            } else {
                if (j > 0) {
                    Isa::store(run(cc) + j * width - Shift,
                               Isa::template join<width - Shift>(previous[cc], v[cc]));
                }
                previous[cc] = v[cc];
            }
        }
    }
    // The doubles the aligned stores left: the head of each run before its
    // first aligned span, the tail after its last, and the samples beyond
    // the last whole block.
    const int32_t head = blocks > 0 && Shift > 0 ? width - Shift : 0;
    const int32_t tail = blocks > 0 ? blocks * width - Shift : 0;
    for (int cc = 0; cc < block; ++cc) {
        copyRunDoubles<Isa, Parts>(out, cc, 0, head, run(cc));
        copyRunDoubles<Isa, Parts>(out, cc, tail, samples * Parts, run(cc));
    }
}

template <VectorOps Isa, int Parts, int... Shifts>
void writeOutputsAt(int shift, const double (*out)[Isa::width], int32_t samples, double* output,
                    std::size_t frame, std::integer_sequence<int, Shifts...>) {
    ((shift == Shifts ? writeOutputsShifted<Isa, Parts, Shifts>(out, samples, output, frame)
                      : void()),
     ...);
}

template <VectorOps Isa, int Parts>
void writeOutputs(const double (*out)[Isa::width], int32_t samples, double* output,
                  std::size_t frame) {
    constexpr int width = Isa::width;
    const auto address = reinterpret_cast<std::uintptr_t>(output);
    if (address % sizeof(double) != 0 || frame * Parts % width != 0) {
        // The runs start at different places within a vector: one double
        // at a time.
        for (int cc = 0; cc < width / Parts; ++cc) {
            copyRunDoubles<Isa, Parts>(out, cc, 0, samples * Parts, output + cc * frame * Parts);
        }
        return;
    }
    const int shift = static_cast<int>(address / sizeof(double) % width);
    writeOutputsAt<Isa, Parts>(shift, out, samples, output, frame,
                               std::make_integer_sequence<int, width>());
}

}  // namespace quorbelin::kernel

#endif
