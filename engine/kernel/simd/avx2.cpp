// The lane path with 4 doubles per vector (AVX2). Only this file is
// compiled for the instruction set; the block chooses it at run time.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/simd/lane_path.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"

// Everything below is compiled for AVX2. The headers above are not: their
// inline functions may be shared with other files, which must run anywhere.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "engine/kernel/simd/lane_path_of.h"

namespace quorbelin::kernel {
namespace {

struct Avx2 {
    using Vec = __m256d;
    using Index = __m256i;
    static constexpr int width = 4;
    static Vec zero() { return _mm256_setzero_pd(); }
    static Vec broadcast(double v) { return _mm256_set1_pd(v); }
    static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
    static Vec gather(const double* base, Index offsets) {
        return _mm256_i64gather_pd(base, offsets, 8);
    }
    // For each of width / Parts samples k, the entry at now + at[k * Parts]
    // in younger and the entry before it in older. The two neighbours are one
    // unaligned load, so no gather is needed.
    template <int Parts>
    static void neighbours(const double* now, const int32_t* at, Vec& older, Vec& younger) {
        if constexpr (Parts == 1) {
            // (older, younger) pairs of samples 0 and 2 in a, of 1 and 3 in b.
            auto pair = [now](int32_t i) { return _mm_loadu_pd(now + i - 1); };
            const Vec a = _mm256_insertf128_pd(_mm256_castpd128_pd256(pair(at[0])), pair(at[2]), 1);
            const Vec b = _mm256_insertf128_pd(_mm256_castpd128_pd256(pair(at[1])), pair(at[3]), 1);
            older = _mm256_unpacklo_pd(a, b);
            younger = _mm256_unpackhi_pd(a, b);
        } else {
            // (older, younger) entries of sample 0 in a, of sample 1 in b.
            const Vec a = _mm256_loadu_pd(now + at[0] - 2);
            const Vec b = _mm256_loadu_pd(now + at[2] - 2);
            older = _mm256_permute2f128_pd(a, b, 0x20);
            younger = _mm256_permute2f128_pd(a, b, 0x31);
        }
    }
    static Vec gatherAt(const double* base, const int32_t* indices) {
        const __m128i at = _mm_load_si128(reinterpret_cast<const __m128i*>(indices));
        // The masked form with a zero source, as for the 64-bit indices.
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, at, all, 8);
    }
    // width doubles, each behind its own reference.
    static Vec gatherThrough(const double* const* refs) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(refs));
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return _mm256_mask_i64gather_pd(_mm256_setzero_pd(), nullptr, at, all, 1);
    }
    template <int S>
    static Vec join(Vec lo, Vec hi) {
        static_assert(S > 0 && S < width);
        // lo's upper half and hi's lower half; odd places then take one
        // double from each side of that.
        const Vec middle = _mm256_permute2f128_pd(lo, hi, 0x21);
        if constexpr (S == 1) {
            return _mm256_shuffle_pd(lo, middle, 0b0101);
        } else if constexpr (S == 2) {
            return middle;
        } else {
            return _mm256_shuffle_pd(middle, hi, 0b0101);
        }
    }
    static Vec load(const double* p) { return _mm256_load_pd(p); }
    static void store(double* p, Vec v) { _mm256_store_pd(p, v); }
    static Vec loadu(const double* p) { return _mm256_loadu_pd(p); }
    static void storeu(double* p, Vec v) { _mm256_storeu_pd(p, v); }
    static Index loadIndex(const int64_t* p) {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
    }

    template <int Parts>
    static void transpose(Vec* v) {
        if constexpr (Parts == 1) {
            // 4 x 4 doubles: pairs, then halves.
            const Vec t0 = _mm256_unpacklo_pd(v[0], v[1]);
            const Vec t1 = _mm256_unpackhi_pd(v[0], v[1]);
            const Vec t2 = _mm256_unpacklo_pd(v[2], v[3]);
            const Vec t3 = _mm256_unpackhi_pd(v[2], v[3]);
            v[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
            v[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
            v[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
            v[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
        } else {
            // 2 x 2 pairs (real, imaginary).
            const Vec t0 = _mm256_permute2f128_pd(v[0], v[1], 0x20);
            v[1] = _mm256_permute2f128_pd(v[0], v[1], 0x31);
            v[0] = t0;
        }
    }
};

static_assert(VectorOps<Avx2>);

}  // namespace
}  // namespace quorbelin::kernel

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace quorbelin::kernel {

// Four lanes gain nothing from gathers even where they are fast: the linear
// lanes read with plain loads either way.
LanePath avx2LanePath(int parts) { return lanePathOf<Avx2, false>(parts); }

}  // namespace quorbelin::kernel
