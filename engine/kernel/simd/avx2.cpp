// The lane path with 4 doubles per vector (AVX2). Only this file is
// compiled for the instruction set; the block chooses it at run time.
#include <immintrin.h>

#include <cstdint>

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

#include "engine/kernel/simd/fir_lanes.h"
#include "engine/kernel/simd/linear_lanes.h"

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
    static Vec gatherAt(const double* base, const int32_t* indices) {
        const __m128i at = _mm_load_si128(reinterpret_cast<const __m128i*>(indices));
        // The masked form with a zero source, as for the 64-bit indices.
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, at, all, 8);
    }
    // width / Parts samples, each behind its own reference (Parts doubles).
    template <int Parts>
    static Vec gatherThrough(const double* const* refs) {
        __m256i at;
        if constexpr (Parts == 1) {
            at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(refs));
        } else {
            const __m256i two =
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(refs)));
            at = _mm256_add_epi64(_mm256_permute4x64_epi64(two, 0x50),
                                  _mm256_set_epi64x(8, 0, 8, 0));
        }
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return _mm256_mask_i64gather_pd(_mm256_setzero_pd(), nullptr, at, all, 1);
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

template <int Parts>
bool runLinearTile(int32_t newest, int32_t firstSample, int32_t samples,
                   const DelayLineSizes& sizes, const FrameSignals& signals, double* buffer) {
    return delayLinearTileLanes<Avx2, Parts>(newest, firstSample, samples, sizes, signals,
                                           buffer);
}

template <int Parts>
void runTiles(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
              int32_t channels, const DelayLineSizes& sizes, int32_t rows,
              const FrameSignals& signals, double* buffer) {
    delayLaneTilesAnyRows<Avx2, Parts>(decoded, firstSample, samples, channels, sizes, rows,
                                         signals, buffer);
}

}  // namespace
}  // namespace quorbelin::kernel

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace quorbelin::kernel {

LanePath avx2LanePath(int parts) {
    if (parts == 2) {
        return {Avx2::width / 2, &runTiles<2>, &runLinearTile<2>};
    }
    return {Avx2::width, &runTiles<1>, &runLinearTile<1>};
}

}  // namespace quorbelin::kernel
