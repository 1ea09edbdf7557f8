// The FIR lanes' time window: the samples a tile reads, copied once per tile
// into rows of every channel's sample of one time, and the sums read from it.
// Part of fir_lanes.h; instruction-set templates like it.
#ifndef QUORBELIN_ENGINE_KERNEL_SIMD_FIR_TIME_WINDOW_H
#define QUORBELIN_ENGINE_KERNEL_SIMD_FIR_TIME_WINDOW_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"

namespace quorbelin::kernel {

// The window's rows: see TimeWindow in sample_decode.h.

// Fills the window's rows for the tile's channels and stores the tile's
// samples in their buffers, channel by channel: first the times before the
// tile from the buffer (an entry is overwritten only L samples after it was
// written, and every read is younger than that), then the tile's samples from
// the input, into the window where they are read and into the buffer.
template <VectorOps Isa, int Parts>
void fillTimeWindow(const TimeWindow& window, const DecodedSample* decoded, int32_t samples,
                    double* lines, std::size_t stride, int32_t length,
                    const double* const* input, std::size_t frame,
                    double (*rows)[Isa::width]) {
    constexpr int tileChannels = Isa::width / Parts;
    const int32_t end = window.first + window.rows;  // at most samples, first at most 0
    const int32_t history = (end < 0 ? end : 0) - window.first;
    int32_t start = decoded[0].newest + window.first;
    if (start < 0) {
        start += length;
    }
    // The history runs up to the seam, then on from entry 0.
    const int32_t firstRun = history < length - start ? history : length - start;
    for (int cc = 0; cc < tileChannels; ++cc) {
        double* line = lines + cc * stride;
        const double* from = line + static_cast<std::size_t>(start) * Parts;
        double (*row)[Isa::width] = rows;
        const int lane = cc * Parts;
        for (int32_t r = 0; r < firstRun; ++r) {
            for (int part = 0; part < Parts; ++part) {
                row[r][lane + part] = from[r * Parts + part];
            }
        }
        row += firstRun;
        for (int32_t r = 0; r < history - firstRun; ++r) {
            for (int part = 0; part < Parts; ++part) {
                row[r][lane + part] = line[r * Parts + part];
            }
        }
        row += history - firstRun;

        const double* const* in = input + cc * frame;
        for (int32_t k = 0; k < samples; ++k) {
            double* slot = line + static_cast<std::size_t>(decoded[k].newest) * Parts;
            copyEntry<Parts>(in[k], slot);
            if (k < end) {
                copyEntry<Parts>(slot, row[k] + lane);
            }
        }
    }
}

// Copies count window rows from the buffers, row r from entry position + r
// (mod L) of every channel: blocks of width / Parts rows as vector loads
// transposed into rows, the rest (and blocks across the seam) one by one.
template <VectorOps Isa, int Parts>
void rowsFromBuffers(const double* lines, std::size_t stride, int32_t length,
                     int32_t position, int32_t count, double (*rows)[Isa::width]) {
    using Vec = typename Isa::Vec;
    constexpr int block = Isa::width / Parts;
    int32_t r = 0;
    while (r < count) {
        if (r + block <= count && position + block <= length) {
            Vec v[block];
            for (int cc = 0; cc < block; ++cc) {
                v[cc] = Isa::loadu(lines + cc * stride + static_cast<std::size_t>(position) * Parts);
            }
            Isa::template transpose<Parts>(v);
            for (int i = 0; i < block; ++i) {
                Isa::store(rows[r + i], v[i]);
            }
            r += block;
            position += block;
            if (position == length) {
                position = 0;
            }
        } else {
            for (int cc = 0; cc < block; ++cc) {
                for (int part = 0; part < Parts; ++part) {
                    rows[r][cc * Parts + part] =
                        lines[cc * stride + static_cast<std::size_t>(position) * Parts + part];
                }
            }
            r += 1;
            position = nextEntry(position, length);
        }
    }
}

// The outputs of samples k ... k + G... from the window. Rows is the tap
// count when known at compile time (0: taken from rows). The samples are a
// pack, not a loop: every sum, row pointer and tap pointer is indexed by a
// constant, so each lives in a register of its own rather than in an array
// on the stack that the call would clear and copy.
template <VectorOps Isa, int Rows, int... G>
void sumFromWindow(const TimeWindow& window, const double (*rowsOfTime)[Isa::width],
                   int32_t rows, const DecodedSample* decoded, int32_t k,
                   double (*out)[Isa::width], std::integer_sequence<int, G...>) {
    using Vec = typename Isa::Vec;
    // Tap t reads the row t places before tap 0's.
    const double* const newestRead[] = {
        rowsOfTime[k + G - decoded[k + G].youngestAge - window.first]...};
    const double* const taps[] = {decoded[k + G].taps...};
    Vec sum[] = {(static_cast<void>(G), Isa::zero())...};
    auto addTap = [&](int32_t t) {
        const std::ptrdiff_t back = static_cast<std::ptrdiff_t>(t) * Isa::width;
        ((sum[G] = Isa::add(sum[G], Isa::mul(Isa::broadcast(taps[G][t]),
                                             Isa::load(newestRead[G] - back)))),
         ...);
    };
    if constexpr (Rows > 0) {
        // Eight taps a step (a filter of up to 8 rows unrolled whole): each
        // tap and row of a step is a fixed offset from its sample's pointer,
        // and the pointers held outside the general registers are moved back
        // once a step rather than at every tap. 8 x 32 filters gained 3-14%,
        // 32 x 64 ones 6-10% over one tap a step; 32 taps unrolled whole
        // measured slower.
#pragma GCC unroll 8
        for (int32_t t = 0; t < Rows; ++t) {
            addTap(t);
        }
    } else {
        for (int32_t t = 0; t < rows; ++t) {
            addTap(t);
        }
    }
    (Isa::store(out[k + G], sum[G]), ...);
}

// True when samples k ... k + count - 1 exist and all take the FIR sum.
inline bool allFir(const DecodedSample* decoded, int32_t k, int32_t samples, int32_t count) {
    if (k + count > samples) {
        return false;
    }
    for (int32_t g = 0; g < count; ++g) {
        if (decoded[k + g].taps == nullptr) {
            return false;
        }
    }
    return true;
}

template <VectorOps Isa, int Rows>
void interpolateFromWindow(const TimeWindow& window, const double (*rowsOfTime)[Isa::width],
                           int32_t rows, const DecodedSample* decoded, int32_t samples,
                           double (*out)[Isa::width]) {
    using Vec = typename Isa::Vec;
    // Six samples' sums in flight: their row and tap pointers (twelve) and
    // the tap counter stay in general registers, where eight samples' would
    // spill some of them and reload or move them at every tap. A frame tile
    // of 64 leaves four samples, which go in pairs.
    constexpr int group = 6;
    int32_t k = 0;
    while (k < samples) {
        const DecodedSample& sample = decoded[k];
        if (sample.taps == nullptr) {
            const int32_t younger = k - sample.youngestAge - window.first;
            const Vec y = Isa::add(Isa::mul(Isa::broadcast(sample.fraction),
                                            Isa::load(rowsOfTime[younger - 1])),
                                   Isa::mul(Isa::broadcast(sample.complement),
                                            Isa::load(rowsOfTime[younger])));
            Isa::store(out[k], y);
            k += 1;
            continue;
        }
        if (allFir(decoded, k, samples, group)) {
            sumFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, k, out,
                                     std::make_integer_sequence<int, group>());
            k += group;
        } else if (allFir(decoded, k, samples, 2)) {
            sumFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, k, out,
                                     std::integer_sequence<int, 0, 1>());
            k += 2;
        } else {
            sumFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, k, out,
                                     std::integer_sequence<int, 0>());
            k += 1;
        }
    }
}

}  // namespace quorbelin::kernel

#endif
