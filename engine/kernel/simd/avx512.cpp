// The lane path with 8 doubles per vector (AVX-512F). Only this file is
// compiled for the instruction set; the block chooses it at run time.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/simd/lane_path.h"
#include "engine/kernel/sample_decode.h"
#include "engine/kernel/simd/vector_ops.h"

// Everything below is compiled for AVX-512F. The headers above are not: their
// inline functions may be shared with other files, which must run anywhere.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

#include "engine/kernel/simd/lane_path_of.h"

namespace quorbelin::kernel {
namespace {

struct Avx512 {
    using Vec = __m512d;
    using Index = __m512i;
    static constexpr int width = 8;
    static Vec zero() { return _mm512_setzero_pd(); }
    static Vec broadcast(double v) { return _mm512_set1_pd(v); }
    static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
    static Vec gather(const double* base, Index offsets) {
        // The masked form with a zero source: the plain one leaves its source
        // undefined, which the compiler warns about.
        return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, offsets, base, 8);
    }
    // For each of width / Parts samples k, the entry at now + at[k * Parts]
    // in younger and the entry before it in older. The two neighbours are one
    // unaligned load, so no gather is needed.
    template <int Parts>
    static void neighbours(const double* now, const int32_t* at, Vec& older, Vec& younger) {
        if constexpr (Parts == 1) {
            // (older, younger) pairs of samples 0, 2, 4, 6 in a, of 1, 3, 5, 7 in b.
            // AVX-512F inserts 128-bit blocks as four floats; the bits are the
            // same. (The forms with a full mask: the plain ones leave a source
            // undefined, which the compiler warns about.)
            auto pair = [now](int32_t i) { return _mm_castpd_ps(_mm_loadu_pd(now + i - 1)); };
            __m512 a = _mm512_castpd_ps(_mm512_zextpd128_pd512(_mm_loadu_pd(now + at[0] - 1)));
            a = _mm512_maskz_insertf32x4(0xffff, a, pair(at[2]), 1);
            a = _mm512_maskz_insertf32x4(0xffff, a, pair(at[4]), 2);
            a = _mm512_maskz_insertf32x4(0xffff, a, pair(at[6]), 3);
            __m512 b = _mm512_castpd_ps(_mm512_zextpd128_pd512(_mm_loadu_pd(now + at[1] - 1)));
            b = _mm512_maskz_insertf32x4(0xffff, b, pair(at[3]), 1);
            b = _mm512_maskz_insertf32x4(0xffff, b, pair(at[5]), 2);
            b = _mm512_maskz_insertf32x4(0xffff, b, pair(at[7]), 3);
            older = _mm512_maskz_unpacklo_pd(0xff, _mm512_castps_pd(a), _mm512_castps_pd(b));
            younger = _mm512_maskz_unpackhi_pd(0xff, _mm512_castps_pd(a), _mm512_castps_pd(b));
        } else {
            // (older, younger) entries of samples 0 and 1 in a, of 2 and 3 in b.
            auto pair = [now](int32_t i) { return _mm256_loadu_pd(now + i - 2); };
            auto two = [&pair](int32_t low, int32_t high) {
                const Vec half = _mm512_maskz_insertf64x4(0xff, _mm512_setzero_pd(), pair(low), 0);
                return _mm512_maskz_insertf64x4(0xff, half, pair(high), 1);
            };
            const Vec a = two(at[0], at[2]);
            const Vec b = two(at[4], at[6]);
            older = blocks<0x88>(a, b);
            younger = blocks<0xdd>(a, b);
        }
    }
    static Vec gatherAt(const double* base, const int32_t* indices) {
        const __m256i at = _mm256_load_si256(reinterpret_cast<const __m256i*>(indices));
        return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xff, at, base, 8);
    }
    // width doubles, each behind its own reference.
    static Vec gatherThrough(const double* const* refs) {
        return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, _mm512_loadu_si512(refs),
                                        nullptr, 1);
    }
    template <int S>
    static Vec join(Vec lo, Vec hi) {
        static_assert(S > 0 && S < width);
        // The form with a full mask, as elsewhere here.
        return _mm512_castsi512_pd(_mm512_maskz_alignr_epi64(0xff, _mm512_castpd_si512(hi),
                                                             _mm512_castpd_si512(lo), S));
    }
    static Vec load(const double* p) { return _mm512_load_pd(p); }
    static void store(double* p, Vec v) { _mm512_store_pd(p, v); }
    static Vec loadu(const double* p) { return _mm512_loadu_pd(p); }
    static void storeu(double* p, Vec v) { _mm512_storeu_pd(p, v); }
    static Index loadIndex(const int64_t* p) { return _mm512_load_si512(p); }

    // Two 128-bit blocks of a, then two of b, as selected. (The form with a
    // zero mask: the plain one leaves a source undefined, which the compiler
    // warns about.)
    template <int Select>
    static Vec blocks(Vec a, Vec b) {
        return _mm512_maskz_shuffle_f64x2(0xff, a, b, Select);
    }

    template <int Parts>
    static void transpose(Vec* v) {
        if constexpr (Parts == 1) {
            // 8 x 8 doubles: pairs, then pairs of pairs, then halves.
            const Vec t0 = _mm512_maskz_unpacklo_pd(0xff, v[0], v[1]);
            const Vec t1 = _mm512_maskz_unpackhi_pd(0xff, v[0], v[1]);
            const Vec t2 = _mm512_maskz_unpacklo_pd(0xff, v[2], v[3]);
            const Vec t3 = _mm512_maskz_unpackhi_pd(0xff, v[2], v[3]);
            const Vec t4 = _mm512_maskz_unpacklo_pd(0xff, v[4], v[5]);
            const Vec t5 = _mm512_maskz_unpackhi_pd(0xff, v[4], v[5]);
            const Vec t6 = _mm512_maskz_unpacklo_pd(0xff, v[6], v[7]);
            const Vec t7 = _mm512_maskz_unpackhi_pd(0xff, v[6], v[7]);
            const Vec u0 = blocks<0x88>(t0, t2);
            const Vec u1 = blocks<0xdd>(t0, t2);
            const Vec u2 = blocks<0x88>(t1, t3);
            const Vec u3 = blocks<0xdd>(t1, t3);
            const Vec u4 = blocks<0x88>(t4, t6);
            const Vec u5 = blocks<0xdd>(t4, t6);
            const Vec u6 = blocks<0x88>(t5, t7);
            const Vec u7 = blocks<0xdd>(t5, t7);
            v[0] = blocks<0x88>(u0, u4);
            v[4] = blocks<0xdd>(u0, u4);
            v[2] = blocks<0x88>(u1, u5);
            v[6] = blocks<0xdd>(u1, u5);
            v[1] = blocks<0x88>(u2, u6);
            v[5] = blocks<0xdd>(u2, u6);
            v[3] = blocks<0x88>(u3, u7);
            v[7] = blocks<0xdd>(u3, u7);
        } else {
            // 4 x 4 pairs (real, imaginary).
            const Vec t0 = blocks<0x44>(v[0], v[1]);
            const Vec t1 = blocks<0xee>(v[0], v[1]);
            const Vec t2 = blocks<0x44>(v[2], v[3]);
            const Vec t3 = blocks<0xee>(v[2], v[3]);
            v[0] = blocks<0x88>(t0, t2);
            v[1] = blocks<0xdd>(t0, t2);
            v[2] = blocks<0x88>(t1, t3);
            v[3] = blocks<0xdd>(t1, t3);
        }
    }
};

static_assert(VectorOps<Avx512>);

}  // namespace
}  // namespace quorbelin::kernel

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace quorbelin::kernel {

LanePath avx512LanePath(int parts) { return lanePathOf<Avx512, true>(parts); }

}  // namespace quorbelin::kernel
